// What the component raises on the main thread for each posted message.

#include <gtest/gtest.h>

#include <string>

#include "SerialTestSupport.h"

namespace kelvan::serial::test {
namespace {

// A component with every line event assigned, recording the order they are raised in.
class EventOrderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto record = [this](const char* name) {
            return [this, name](TComm32& sender) {
                EXPECT_EQ(&sender, &comm);
                raised.emplace_back(name);
            };
        };
        comm.OnCommEvent = record("CommEvent");
        comm.OnError = [this](TComm32&, std::uint32_t code) {
            raised.push_back("Error:" + std::to_string(code));
        };
        comm.OnEventChar = record("EventChar");
        comm.OnBreak = record("Break");
        comm.OnTXEMPTY = record("TXEMPTY");
        comm.OnRX80FULL = record("RX80FULL");
        comm.OnPERR = record("PERR");
        comm.OnChangeCTS = record("ChangeCTS");
        comm.OnSetCTS = record("SetCTS");
        comm.OnClearCTS = record("ClearCTS");
        comm.OnChangeDSR = record("ChangeDSR");
        comm.OnSetDSR = record("SetDSR");
        comm.OnClearDSR = record("ClearDSR");
        comm.OnChangeRing = record("ChangeRing");
        comm.OnSetRing = record("SetRing");
        comm.OnClearRing = record("ClearRing");
        comm.OnChangeRLSD = record("ChangeRLSD");
        comm.OnSetRLSD = record("SetRLSD");
        comm.OnClearRLSD = record("ClearRLSD");
    }

    void event(std::uint32_t mask, std::uint32_t status, std::uint32_t errors = 0) {
        postLineEvent(notifier, mask, status, errors);
        notifier.drainInto(comm);
    }

    QueueNotifier notifier;
    TComm32 comm{notifier};
    std::vector<std::string> raised;
};

TEST_F(EventOrderTest, CtsDroppingRaisesCommEventChangeThenClear) {
    event(EventCts, ModemDsrOn);
    EXPECT_EQ(raised, (std::vector<std::string>{"CommEvent", "ChangeCTS", "ClearCTS"}));
    EXPECT_EQ(comm.lastEventMask(), EventCts);
    EXPECT_EQ(comm.lastModemStatus(), ModemDsrOn);
}

TEST_F(EventOrderTest, EveryEventInItsPlace) {
    event(WatchedLineEvents, ModemCtsOn | ModemRingOn, 0x0008);
    EXPECT_EQ(raised, (std::vector<std::string>{"CommEvent", "Error:8", "EventChar", "Break",
                                                "TXEMPTY", "RX80FULL", "PERR", "ChangeCTS",
                                                "SetCTS", "ChangeDSR", "ClearDSR", "ChangeRing",
                                                "SetRing", "ChangeRLSD", "ClearRLSD"}));
}

TEST_F(EventOrderTest, OnlyTheMaskedEventsAndLinesAreRaised) {
    event(EventBreak | EventRlsd, ModemRlsdOn | ModemCtsOn);
    EXPECT_EQ(raised, (std::vector<std::string>{"CommEvent", "Break", "ChangeRLSD", "SetRLSD"}));
}

TEST(HandleMessage, StartedHangupAndUnassignedEvents) {
    QueueNotifier notifier;
    TComm32 comm(notifier);
    postLineEvent(notifier, WatchedLineEvents, 0xF0, 1);  // nothing assigned: nothing raised
    postReceived(notifier, patternBytes(10, 0));
    postStarted(notifier, 1);
    notifier.drainInto(comm);
    EXPECT_FALSE(comm.receiverStarted());
    EXPECT_TRUE(comm.transmitterStarted());
    postStarted(notifier, 0);
    int hangups = 0;
    comm.OnRequestHangup = [&](TComm32&) { ++hangups; };
    postHangup(notifier);
    notifier.drainInto(comm);
    EXPECT_TRUE(comm.receiverStarted());
    EXPECT_EQ(hangups, 1);
}

TEST(HandleMessage, ReceivedBytesArriveInDeliverableBlocksFollowedByZero) {
    QueueNotifier notifier;
    TComm32 comm(notifier);
    std::vector<std::size_t> sizes;
    std::vector<std::uint8_t> all;
    std::vector<ReceiveTime> stamps;
    comm.OnReceiveData = [&](const std::uint8_t* buffer, std::uint16_t length,
                             ReceiveTime receivedAt) {
        sizes.push_back(length);
        EXPECT_EQ(buffer[length], 0);
        all.insert(all.end(), buffer, buffer + length);
        stamps.push_back(receivedAt);
    };
    const auto bytes = patternBytes(10000, 5);
    postReceived(notifier, bytes);
    EXPECT_EQ(notifier.take().size(), 3u);
    // Every piece of a read carries the moment of that read.
    const ReceiveTime readAt{std::chrono::milliseconds(1234)};
    postReceived(notifier, bytes, readAt);
    notifier.drainInto(comm);
    EXPECT_EQ(sizes, (std::vector<std::size_t>{4095, 4095, 1810}));
    EXPECT_EQ(all, bytes);
    EXPECT_EQ(stamps, (std::vector<ReceiveTime>{readAt, readAt, readAt}));

    // A longer block from another poster is handed on in pieces, not overrun.
    sizes.clear();
    all.clear();
    CommMessage message{CommMessage::Kind::RxData};
    message.block = bytes;
    comm.handleMessage(message);
    EXPECT_EQ(sizes, (std::vector<std::size_t>{4095, 4095, 1810}));
    EXPECT_EQ(all, bytes);
}

TEST(HandleMessage, NestedDeliveryLeavesTheOuterBlockIntact) {
    QueueNotifier notifier;
    TComm32 comm(notifier);
    const auto outer = patternBytes(300, 1);
    const auto inner = patternBytes(200, 99);
    std::vector<std::uint8_t> outerAfterNested;
    std::vector<std::uint8_t> innerSeen;
    int depth = 0;
    comm.OnReceiveData = [&](const std::uint8_t* buffer, std::uint16_t length, ReceiveTime) {
        if (depth++ == 0) {
            // As a modal box would: the event loop runs and delivers the next block.
            postReceived(notifier, inner);
            notifier.drainInto(comm);
            outerAfterNested.assign(buffer, buffer + length);
        } else {
            innerSeen.assign(buffer, buffer + length);
        }
    };
    postReceived(notifier, outer);
    notifier.drainInto(comm);
    EXPECT_EQ(innerSeen, inner);
    EXPECT_EQ(outerAfterNested, outer);
}

}  // namespace
}  // namespace kelvan::serial::test
