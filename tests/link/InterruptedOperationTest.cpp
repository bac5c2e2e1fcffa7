// Losing the programmer with commands queued: which queue contents are an operation cut short,
// and what the status bar says then, for the watchdog's expiry and for a port that hangs up.

#include <gtest/gtest.h>

#include <functional>

#include "LinkTestSupport.h"
#include "link/InterruptedOperation.h"

namespace kelvan::link::test {
namespace {

const std::string SignatureRight = "Сигнатура: 5A 8 1B верна";
const std::string AllCorrect = "Все верно.";
const std::string Checking = "Операция прервана: программатор не отвечает.";
const std::string Changing =
    "Операция прервана: программатор не отвечает. Микросхема может быть записана или стёрта не "
    "полностью.";

struct Entry {
    Bytes payload;
    std::string statusWhenAnswered;
};

class InterruptedOperationTest : public LinkTest {};

TEST_F(InterruptedOperationTest, OnlyAQueuedOperationIsReportedInRedWhenTheProgrammerIsLost) {
    const struct {
        const char* what;
        std::vector<Entry> queue;
        std::string status;  // "" when the status must stay as it was
    } cases[] = {
        {"an idle link", {}, ""},
        {"the start-up requests", {{{255}, ""}, {{254}, ""}}, ""},
        {"the watchdog's own title request", {{{254}, ""}}, ""},
        {"a chip choice",
         {{{249, 2}, ""}, {{248}, ""}, {{247}, ""}, {{245}, ""}, {{243}, ""}, {{242}, ""}},
         ""},
        {"the about lines and the chip list", {{{253}, ""}, {{251}, ""}, {{250, 0}, ""}}, ""},
        {"a write with its verify",
         {{{10, 0, 0, 0, 0, 4, 0xA5, 0xA5, 0xA5, 0xA5}, ""},
          {{11, 0, 0, 0, 0, 4, 0xA5, 0xA5, 0xA5, 0xA5}, ""},
          {{255}, AllCorrect}},
         Changing},
        {"the verify after the writes",
         {{{11, 0, 0, 0, 0, 4, 1, 2, 3, 4}, ""}, {{255}, AllCorrect}},
         Checking},
        {"only the end of a verify, still to confirm it", {{{255}, AllCorrect}}, Checking},
        {"the lock bits after a verify", {{{6, 0}, ""}, {{6, 1}, ""}, {{255}, ""}}, Changing},
        {"an erase", {{{7}, ""}}, Changing},
        {"an EEPROM erase behind a signature check", {{{0}, ""}, {{12}, ""}}, Changing},
        {"a fuse write", {{{4, 1, 0}, ""}}, Changing},
        {"a read", {{{9, 0xE0, 0, 0, 0, 224}, ""}, {{255}, ""}}, Checking},
        {"a signature check", {{{0}, ""}}, Checking},
        {"a calibration read behind a chip selection", {{{249, 0}, ""}, {{20}, ""}}, Checking},
    };
    const struct {
        const char* name;
        std::function<void(ProgrammerLink&)> lose;
    } losses[] = {
        {"watchdog", [](ProgrammerLink& lost) { lost.watchdogExpired(); }},
        {"hang-up", [](ProgrammerLink& lost) { lost.portHungUp(); }},
    };
    for (const auto& loss : losses) {
        for (const auto& testCase : cases) {
            SCOPED_TRACE(std::string(loss.name) + ": " + testCase.what);
            link.clearQueue();
            view.status = SignatureRight;
            view.errorColour = false;
            for (const Entry& entry : testCase.queue) {
                link.enqueue(entry.payload, entry.statusWhenAnswered);
            }
            loss.lose(link);
            EXPECT_EQ(view.caption, "Программатор не подключен");
            EXPECT_EQ(queued(), (std::vector<Bytes>{{254}}));
            EXPECT_EQ(view.status, testCase.status.empty() ? SignatureRight : testCase.status);
            EXPECT_EQ(view.errorColour, !testCase.status.empty());

            // Still lost a moment later: the title request alone is nothing to report again.
            view.status = SignatureRight;
            view.errorColour = false;
            loss.lose(link);
            EXPECT_EQ(view.status, SignatureRight);
            EXPECT_FALSE(view.errorColour);
        }
    }
}

}  // namespace
}  // namespace kelvan::link::test
