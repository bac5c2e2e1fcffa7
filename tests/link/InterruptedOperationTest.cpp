// Losing the programmer with commands queued: which queue contents are an operation cut short,
// and what the status bar says then.

#include <gtest/gtest.h>

#include "LinkTestSupport.h"

namespace kelvan::link::test {
namespace {

TEST_F(LinkTest, OnlyAQueuedOperationIsReportedInRedWhenTheProgrammerIsLost) {
    const std::string before = "Сигнатура: 5A 8 1B верна";
    const std::string checking = "Операция прервана: программатор не отвечает.";
    const std::string changing =
        checking + " Микросхема может быть записана или стёрта не полностью.";
    const struct {
        const char* what;
        std::vector<std::pair<Bytes, std::string>> queue;  // payload, status when answered
        std::string status;
    } cases[] = {
        {"idle", {}, before},
        {"start-up requests", {{{255}, ""}, {{254}, ""}}, before},
        {"a chip choice", {{{249, 2}, ""}, {{248}, ""}, {{243}, ""}}, before},
        {"a write and its verify",
         {{{10, 0, 0, 0, 0, 1, 7}, ""}, {{11, 0, 0, 0, 0, 1, 7}, ""}, {{255}, "Все верно."}},
         changing},
        {"the verify's end, still to confirm", {{{255}, "Все верно."}}, checking},
        {"the lock bits", {{{6, 1}, ""}, {{255}, ""}}, changing},
        {"an EEPROM erase behind a signature check", {{{0}, ""}, {{12}, ""}}, changing},
        {"a read", {{{9, 0, 0, 0, 0, 224}, ""}, {{255}, ""}}, checking},
    };
    for (const bool hangUp : {false, true}) {
        for (const auto& testCase : cases) {
            SCOPED_TRACE(std::string(testCase.what) + (hangUp ? ", hang-up" : ", watchdog"));
            link.clearQueue();
            view.status = before;
            view.errorColour = false;
            for (const auto& [payload, status] : testCase.queue) {
                link.enqueue(payload, status);
            }
            hangUp ? link.portHungUp() : link.watchdogExpired();
            EXPECT_EQ(view.caption, "Программатор не подключен");
            EXPECT_EQ(queued(), (std::vector<Bytes>{{254}}));
            EXPECT_EQ(view.status, testCase.status);
            EXPECT_EQ(view.errorColour, testCase.status != before);
        }
    }
}

TEST_F(LinkTest, CancellingLetsTheCommandInFlightFinishWithoutItsSuccessText) {
    const std::string write = "Записать память программ";
    const std::string cancelled = "Операция «Записать память программ» прервана.";
    const std::string partly = " Микросхема может быть записана или стёрта не полностью.";
    const Bytes chunk{10, 0, 0, 0, 0, 1, 7};
    const Bytes verify{11, 0, 0, 0, 0, 1, 7};
    const struct {
        const char* what;
        bool sentHead;
        std::vector<std::pair<Bytes, std::string>> queue;
        std::vector<Bytes> left;
        std::string status;
    } cases[] = {
        {"idle", false, {}, {}, "before"},
        {"a write in flight", true, {{chunk, ""}, {verify, ""}, {{255}, "Все верно."}}, {chunk},
         cancelled + partly},
        {"a write not sent yet", false, {{chunk, ""}, {{255}, "Все верно."}}, {}, cancelled + partly},
        {"the verify's end in flight", true, {{{255}, "Все верно."}}, {{255}}, cancelled},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.what);
        link.clearQueue();
        view.status = "before";
        view.errorColour = false;
        for (const auto& [payload, status] : testCase.queue) {
            link.enqueue(payload, status);
        }
        if (testCase.sentHead) {
            ready();
        }
        link.cancelQueued(write);
        EXPECT_EQ(queued(), testCase.left);
        EXPECT_EQ(view.status, testCase.status);
        if (!testCase.left.empty()) {
            reply({testCase.left.front().front()});
            EXPECT_EQ(queued(), std::vector<Bytes>{});
            EXPECT_EQ(view.status, testCase.status);  // never "Все верно."
        }
    }
}

}  // namespace
}  // namespace kelvan::link::test
