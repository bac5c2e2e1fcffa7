// The conversation loop: ready signals send the head, replies remove it, the retry limit and
// the watchdog give up, and a modal warning lets the link be re-entered.

#include <gtest/gtest.h>

#include "LinkTestSupport.h"

namespace kelvan::link::test {
namespace {

using Calls = std::vector<std::string>;
const std::string GiveUp = "Не могу выполнить команду!\n\rОчередь команд очищена.";
const Bytes Title = textReply(254, {}, "PROG");

class ConversationTest : public LinkTest {};

TEST_F(ConversationTest, ReadySignalRestartsTheWatchdogAndSendsTheHeadFramed) {
    enqueue({commands::askTitle()});
    ready();
    EXPECT_EQ(watchdog.restarts, 1);
    EXPECT_EQ(sink.frames, (std::vector<Bytes>{{0xD1, 0xE0, 0xEB, 0xEE, 0x01, 0x8B, 0xFE, 0xFE}}));
    EXPECT_EQ(link.retryCounter(), 1);
    EXPECT_EQ(link.queueLength(), 1u);  // sending does not remove the head

    link.clearQueue();
    enqueue({commands::selectChip(3)});
    ready();
    EXPECT_EQ(sink.frames.back(), (Bytes{0xD1, 0xE0, 0xEB, 0xEE, 0x02, 0x8C, 0xF9, 0x03, 0xFC}));
}

TEST_F(ConversationTest, ReadySignalWithAnEmptyQueueSendsNothing) {
    ready();
    EXPECT_EQ(watchdog.restarts, 1);
    EXPECT_TRUE(sink.frames.empty());
    EXPECT_EQ(link.retryCounter(), 0);
}

TEST_F(ConversationTest, MatchingReplyRemovesTheHeadAndResetsTheCounter) {
    enqueue({commands::askProgramMemorySize(), commands::askEepromSize()});
    ready();
    ready();
    EXPECT_EQ(link.retryCounter(), 2);
    reply({243, 0x00, 0x80, 0x00, 0x00});
    EXPECT_EQ(link.retryCounter(), 0);
    EXPECT_EQ(queued(), (std::vector<Bytes>{{242}}));
}

// One command is out at a time, so a second reply in the block cannot answer the entry behind
// the head, which has not gone out yet: it is the repeat of an answer (a command sent twice
// when a ready crossed it on the line), and taking it would drop that entry unsent.
TEST_F(ConversationTest, ASecondReplyInOneBlockDoesNotAnswerTheUnsentEntryBehindTheHead) {
    enqueue({commands::writeProgramMemory(0, Bytes(4, 1)),
             commands::writeProgramMemory(4, Bytes(4, 2)), commands::askTitle()});
    ready();
    receive(concat({frame({10}), frame({10})}));
    EXPECT_EQ(queued(), (std::vector<Bytes>{commands::writeProgramMemory(4, Bytes(4, 2)), {254}}));
    answer({10});
    EXPECT_EQ(queued(), (std::vector<Bytes>{{254}}));
    EXPECT_EQ(sink.payloads(), (std::vector<Bytes>{commands::writeProgramMemory(0, Bytes(4, 1)),
                                                   commands::writeProgramMemory(4, Bytes(4, 2))}));
}

TEST_F(ConversationTest, ReplyBehindAReadySignalInTheSameBlockIsDiscarded) {
    enqueue({commands::askTitle()});
    receive(concat({ReadyFrame, frame(Title)}));
    EXPECT_EQ(sink.payloads(), (std::vector<Bytes>{{254}}));
    EXPECT_EQ(queued(), (std::vector<Bytes>{{254}}));
    EXPECT_TRUE(view.caption.empty());
    EXPECT_EQ(link.parser().fillLevel(), 0u);
}

TEST_F(ConversationTest, MismatchedReplyOrEmptyQueueChangesNothing) {
    enqueue({commands::askProgramMemorySize()});
    ready();
    reply({242, 1, 2, 3, 4});
    EXPECT_EQ(link.eepromSize(), 0u);
    EXPECT_EQ(link.retryCounter(), 1);
    EXPECT_EQ(queued(), (std::vector<Bytes>{{243}}));

    link.clearQueue();
    const std::size_t mark = view.calls.size();
    reply(Title);
    EXPECT_TRUE(view.caption.empty());
    EXPECT_EQ(link.queueLength(), 0u);
    EXPECT_TRUE(view.logFrom(mark).empty());
}

TEST_F(ConversationTest, BadPayloadChecksumThenAGoodReplyDispatchesOnlyTheGoodOne) {
    enqueue({commands::askProgramMemorySize()});
    ready();
    Bytes damaged = frame({243, 9, 9, 9, 9});
    damaged.back() ^= 0x10;
    receive(concat({damaged, frame({243, 0, 4, 0, 0})}));
    EXPECT_EQ(link.programMemorySize(), 0x400u);
    EXPECT_EQ(link.queueLength(), 0u);
}

TEST_F(ConversationTest, EighthUnansweredSendGivesUpWithOneWarning) {
    enqueue({commands::eraseAll(), commands::endOfSequence()});
    for (int i = 0; i < 7; ++i) {
        ready();
    }
    EXPECT_TRUE(view.warnings.empty());
    EXPECT_EQ(link.retryCounter(), 7);
    const std::size_t mark = view.calls.size();
    ready();
    EXPECT_EQ(sink.payloads(), std::vector<Bytes>(8, Bytes{7}));
    EXPECT_EQ(view.warnings, (Calls{GiveUp}));
    EXPECT_EQ(view.logFrom(mark),
              (Calls{"progress 2 1", "progress 2 0", "closeProgress", "closeProgress", "warning"}));
    EXPECT_EQ(link.queueLength(), 0u);
    EXPECT_EQ(link.retryCounter(), 0);
    ready();
    EXPECT_EQ(sink.frames.size(), 8u);
}

TEST_F(ConversationTest, RefusedSendsStillCountTowardsTheLimit) {
    sink.accept = false;
    enqueue({commands::eraseAll()});
    for (int i = 0; i < 8; ++i) {
        ready();
    }
    EXPECT_EQ(view.warnings.size(), 1u);
}

TEST_F(ConversationTest, CounterRunsAcrossCommandBoundaries) {
    enqueue({commands::eraseAll()});
    for (int i = 0; i < 5; ++i) {
        ready();
    }
    link.watchdogExpired();  // clears the queue, queues 254, leaves the counter at 5
    EXPECT_EQ(link.retryCounter(), 5);
    for (int i = 0; i < 5; ++i) {
        ready();
    }
    const auto payloads = sink.payloads();
    EXPECT_EQ(std::count(payloads.begin(), payloads.end(), Bytes{254}), 3);
    EXPECT_EQ(view.warnings.size(), 1u);
}

TEST_F(ConversationTest, WatchdogExpiryDisconnects) {
    enqueue({commands::askLockBitCount(), commands::askFuseBitCount(), commands::askCommandMask(),
             commands::askChipCount()});
    answer({245, 2});
    answer({247, 3});
    answer({248, 0x01, 0, 0, 0});
    answer({251, 1});
    ASSERT_EQ(link.lockBitCount(), 2);
    ASSERT_EQ(link.commandCount(), 1);
    ready();
    const int counter = link.retryCounter();

    const std::size_t mark = view.calls.size();
    link.watchdogExpired();
    EXPECT_EQ(view.caption, "Программатор не подключен");
    // Six entries were left (the caption and chip-name requests), the bar's maximum at seven.
    const Calls expected{"disconnected",   "progress 7 5",  "progress 7 4",     "progress 7 3",
                         "progress 7 2",   "progress 7 1",  "progress 7 0",     "closeProgress",
                         "clearLockBoxes", "clearChipList", "clearCommandList", "progress 1 1"};
    EXPECT_EQ(view.logFrom(mark), expected);
    EXPECT_EQ(queued(), (std::vector<Bytes>{{254}}));
    EXPECT_EQ(link.lockBitCount(), 0);
    EXPECT_EQ(link.fuseBitCount(), 3);
    EXPECT_EQ(view.fuseBoxes.size(), 3u);
    EXPECT_EQ(link.commandCount(), 0);
    EXPECT_FALSE(link.commandOffered(0));
    EXPECT_EQ(link.retryCounter(), counter);

    link.watchdogExpired();  // fires again while silent: still exactly one title request
    EXPECT_EQ(queued(), (std::vector<Bytes>{{254}}));
}

// The partial frame is kept and completes with the next block; its command went with the
// queue, so it answers nothing.
TEST_F(ConversationTest, WatchdogLeavesThePartlyReceivedFrameAlone) {
    enqueue({commands::askProgramMemorySize()});
    ready();
    const Bytes reply = frame({243, 0, 1, 0, 0});
    receive(Bytes(reply.begin(), reply.begin() + 4));
    link.watchdogExpired();
    EXPECT_EQ(link.parser().fillLevel(), 4u);
    receive(Bytes(reply.begin() + 4, reply.end()));
    EXPECT_EQ(link.parser().fillLevel(), 0u);
    EXPECT_EQ(link.programMemorySize(), 0u);
    EXPECT_EQ(queued(), (std::vector<Bytes>{{254}}));
}

TEST_F(ConversationTest, LinkCanBeReenteredWhileTheWarningIsOpen) {
    enqueue({commands::eraseAll()});
    for (int i = 0; i < 7; ++i) {
        ready();
    }
    const Bytes half = frame({243, 0, 1, 0, 0});
    view.duringWarning = [&] {
        link.watchdogExpired();                          // queues 254
        ready();                                         // sends it
        reply(Title);                                    // answers it: caption, 253 and 251 queued
        receive(concat({ReadyFrame}));                   // sends 253
        receive(Bytes(half.begin(), half.begin() + 5));  // left for the outer pass to drop
    };
    ready();
    EXPECT_EQ(view.warnings.size(), 1u);
    EXPECT_EQ(view.caption, "PROG");
    const auto payloads = sink.payloads();
    ASSERT_EQ(payloads.size(), 10u);
    EXPECT_EQ(payloads[8], Bytes{254});
    EXPECT_EQ(payloads[9], Bytes{253});
    EXPECT_EQ(queued(), (std::vector<Bytes>{{253}, {251}}));
    EXPECT_EQ(link.retryCounter(), 1);
    EXPECT_EQ(link.parser().fillLevel(), 0u);
    EXPECT_EQ(watchdog.restarts, 10);
}

// Moments on the test's clock, in milliseconds from its start.
LinkTime at(int milliseconds) {
    return LinkTime{std::chrono::milliseconds(milliseconds)};
}

// The host was busy for 700 ms while the programmer, waiting for work, sent a ready every
// 500 ms. The second ready was on its way before the first command went out, so it sends
// nothing: each chunk goes out once, and the next one goes out on the ready behind the answer.
TEST_F(ConversationTest, ReadiesPiledUpWhileTheHostWasBusySendTheHeadOnce) {
    const Bytes first = commands::writeProgramMemory(0, Bytes(224, 0x11));
    const Bytes second = commands::writeProgramMemory(224, Bytes(224, 0x22));
    enqueue({first, second});
    clock.time = at(700);
    receive(ReadyFrame, at(0));
    receive(ReadyFrame, at(500));
    EXPECT_EQ(sink.payloads(), (std::vector<Bytes>{first}));
    EXPECT_EQ(watchdog.restarts, 2);  // still proof of life
    EXPECT_EQ(link.retryCounter(), 1);

    clock.time = at(1400);
    receive(frame({10}), at(701));
    receive(ReadyFrame, at(702));
    receive(frame({10}), at(1401));
    EXPECT_EQ(sink.payloads(), (std::vector<Bytes>{first, second}));
    EXPECT_EQ(link.queueLength(), 0u);
    EXPECT_EQ(link.retryCounter(), 0);
}

// A ready read after the head last went out repeats it: a lost command goes out again, and
// the retry limit counts it. Readies are (read at, handled at) in milliseconds.
TEST_F(ConversationTest, ReadyReadAfterTheHeadWentOutRepeatsIt) {
    enqueue({commands::eraseAll()});
    const std::pair<int, int> readies[] = {{0, 0}, {500, 600}, {550, 600}, {1000, 1000}};
    for (const auto& [readAt, handledAt] : readies) {
        clock.time = at(handledAt);
        receive(ReadyFrame, at(readAt));
    }
    EXPECT_EQ(sink.payloads(), std::vector<Bytes>(3, Bytes{7}));  // not for the one at 550
    EXPECT_EQ(link.retryCounter(), 3);
    EXPECT_EQ(watchdog.restarts, 4);
}

// A ready read within the head's round trip (the frame and a code-only reply of 8 bytes at 10
// bits a byte, plus 5 ms) was sent before the programmer had the head: it sends nothing and is
// not counted. Later, the head goes out again. Each row: bit rate, payload, the last
// millisecond that crosses (worked out by hand).
TEST_F(ConversationTest, ReadyWithinTheHeadsRoundTripCrossedIt) {
    struct Case {
        std::uint32_t bitRate;
        Bytes payload;
        int lastCrossingMs;
    };
    const Case cases[] = {
        // (237 + 8) bytes * 10 / 115200 = 21.27 ms, + 5 ms = 26.27 ms
        {115200, commands::writeProgramMemory(0, Bytes(224, 0x5A)), 26},
        // (8 + 8) * 10 / 9600 = 16.67 ms, + 5 ms = 21.67 ms
        {9600, commands::askTitle(), 21},
        // a line without a bit rate: the margin alone
        {0, commands::askTitle(), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitRate);
        sink.frames.clear();
        link.clearQueue();
        sink.lineBitRate = c.bitRate;
        enqueue({c.payload});
        const LinkTime sentAt = clock.time += std::chrono::seconds(10);
        receive(ReadyFrame, sentAt);
        const int counted = link.retryCounter();
        clock.time = sentAt + std::chrono::milliseconds(c.lastCrossingMs);
        receive(ReadyFrame, clock.time);
        EXPECT_EQ(sink.payloads(), (std::vector<Bytes>{c.payload}));
        EXPECT_EQ(link.retryCounter(), counted);

        clock.time = sentAt + std::chrono::milliseconds(c.lastCrossingMs + 1);
        receive(ReadyFrame, clock.time);
        EXPECT_EQ(sink.payloads(), (std::vector<Bytes>{c.payload, c.payload}));
        EXPECT_EQ(link.retryCounter(), counted + 1);
    }
}

// A box shown while a reply is dispatched runs the event loop, and a nested block may bring a
// repeat of the same answer, which answers the head a second time. Only that entry leaves.
TEST_F(ConversationTest, NestedPassDuringDispatchRemovesOnlyTheAnsweredEntry) {
    enqueue({commands::askChipName(0), commands::askChipName(1)});
    int depth = 0;
    view.duringAppendChip = [&] {
        if (depth++ == 0) {
            reply(textReply(250, {}, "A1"));
        }
    };
    answer(textReply(250, {}, "A1"));
    EXPECT_EQ(queued(), (std::vector<Bytes>{commands::askChipName(1)}));
}

TEST_F(ConversationTest, WarningInsideAWarningIsSurvived) {
    enqueue({commands::eraseAll()});
    int depth = 0;
    view.duringWarning = [&] {
        if (++depth == 1) {
            enqueue({commands::eraseEeprom()});
            for (int i = 0; i < 8; ++i) {
                ready();  // the eighth opens a second warning from inside the first
            }
        }
    };
    for (int i = 0; i < 8; ++i) {
        ready();
    }
    EXPECT_EQ(view.warnings.size(), 2u);
    EXPECT_EQ(sink.frames.size(), 16u);
    EXPECT_EQ(link.queueLength(), 0u);
    EXPECT_EQ(link.retryCounter(), 0);
}

// An interrupted run keeps only a command the programmer may already be carrying out.
TEST_F(ConversationTest, StoppingKeepsOnlyTheCommandInFlight) {
    enqueue({commands::eraseAll(), commands::readSignature(), commands::endOfSequence()});
    EXPECT_FALSE(link.stopAfterCommandInFlight());  // nothing has gone out yet
    EXPECT_EQ(link.queueLength(), 0u);

    enqueue({commands::eraseAll(), commands::readSignature(), commands::endOfSequence()});
    ready();
    EXPECT_TRUE(link.stopAfterCommandInFlight());
    EXPECT_EQ(queued(), (std::vector<Bytes>{{7}}));
    reply({7});
    ready();
    EXPECT_EQ(sink.payloads(), (std::vector<Bytes>{{7}}));
    EXPECT_EQ(link.queueLength(), 0u);
}

}  // namespace
}  // namespace kelvan::link::test
