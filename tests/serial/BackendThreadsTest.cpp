// The transmit loop and the modem-line helper that both platform backends share, driven with
// scripted waits and writes instead of a device.

#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "SerialTestSupport.h"
#include "serial/BackendThreads.h"

namespace kelvan::serial::test {
namespace {

using Kind = CommMessage::Kind;
using Block = std::vector<std::uint8_t>;

// Plays the platform: each wait hands out the next scripted outcome (Stop when none is left),
// after running the action queued for it, and every write is recorded.
struct ScriptedSteps {
    std::deque<TransmitWait> waits;
    std::deque<std::function<void()>> beforeWait;
    bool stop = false;
    bool writesSucceed = true;
    std::vector<Block> written;

    TransmitSteps steps() {
        return {[this] {
                    if (!beforeWait.empty()) {
                        beforeWait.front()();
                        beforeWait.pop_front();
                    }
                    if (waits.empty()) {
                        return TransmitWait::Stop;
                    }
                    const TransmitWait next = waits.front();
                    waits.pop_front();
                    return next;
                },
                [this] { return stop; },
                [this](const Block& block) {
                    written.push_back(block);
                    return writesSucceed;
                }};
    }
};

TEST(TransmitLoop, WritesQueuedBlocksInOrderAndClosesTheQueueOnStop) {
    QueueNotifier notifier;
    BlockQueue queue;
    queue.open();
    ASSERT_TRUE(queue.push(Block{1, 2}));
    ASSERT_TRUE(queue.push(Block{3}));
    ScriptedSteps script;
    script.waits = {TransmitWait::BlockQueued, TransmitWait::Stop};
    script.beforeWait.push_back([&] { ASSERT_TRUE(queue.push(Block{4, 5, 6})); });

    runTransmitLoop(notifier, queue, script.steps());

    EXPECT_EQ(script.written, (std::vector<Block>{{1, 2}, {3}, {4, 5, 6}}));
    const auto messages = notifier.take();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].kind, Kind::Started);
    EXPECT_EQ(messages[0].wParam, 1u);
    EXPECT_FALSE(queue.push(Block{7}));  // sends are refused once the thread has ended
}

TEST(TransmitLoop, EndsWithOneHangupWhenWaitingFailsAndDropsWhatIsLeft) {
    QueueNotifier notifier;
    BlockQueue queue;
    queue.open();
    ScriptedSteps script;
    script.waits = {TransmitWait::Failed};
    runTransmitLoop(notifier, queue, script.steps());
    EXPECT_EQ(countKind(notifier.take(), Kind::Hangup), 1u);
    Block left;
    EXPECT_FALSE(queue.pop(left));
}

TEST(TransmitLoop, StopsBeforeWritingAndAfterAFailedWrite) {
    QueueNotifier notifier;
    BlockQueue queue;
    queue.open();
    ASSERT_TRUE(queue.push(Block{1}));
    ScriptedSteps stopped;
    stopped.stop = true;
    runTransmitLoop(notifier, queue, stopped.steps());
    EXPECT_TRUE(stopped.written.empty());

    queue.open();
    ASSERT_TRUE(queue.push(Block{1}));
    ASSERT_TRUE(queue.push(Block{2}));
    ScriptedSteps failing;
    failing.writesSucceed = false;
    runTransmitLoop(notifier, queue, failing.steps());
    EXPECT_EQ(failing.written, std::vector<Block>{{1}});
    EXPECT_EQ(countKind(notifier.take(), Kind::Hangup), 0u);  // the writer posts its own
}

TEST(ModemLines, ChangeBitsNameTheLinesThatDiffer) {
    EXPECT_EQ(changedModemLines(0, ModemCtsOn | ModemRlsdOn), EventCts | EventRlsd);
    EXPECT_EQ(changedModemLines(ModemDsrOn | ModemRingOn, ModemDsrOn), EventRing);
    EXPECT_EQ(changedModemLines(ModemCtsOn | ModemDsrOn | ModemRingOn | ModemRlsdOn, 0),
              EventCts | EventDsr | EventRing | EventRlsd);
    EXPECT_EQ(changedModemLines(ModemCtsOn, ModemCtsOn), 0u);
}

}  // namespace
}  // namespace kelvan::serial::test
