#include "link/FrameParser.h"

#include <gtest/gtest.h>

#include "LinkTestSupport.h"

namespace kelvan::link::test {
namespace {

// Records what the parser hands on, as "ready" or the reply payload.
class RecordingHandler : public FrameHandler {
  public:
    bool readySends() const override { return sends; }
    void emptyFrame() override {
        events.push_back(Bytes{});
        if (onReady) {
            onReady();
        }
    }
    void replyFrame(std::span<const std::uint8_t> payload) override {
        events.emplace_back(payload.begin(), payload.end());
    }
    std::vector<Bytes> events;
    std::function<void()> onReady;
    bool sends = true;
};

class FrameParserTest : public ::testing::Test {
  protected:
    void receive(const Bytes& bytes) { parser.receive(bytes); }
    RecordingHandler handler;
    FrameParser parser{handler};
};

const Bytes Garbage{0x00, 0xD1, 0xE0, 0x11, 0xEE, 0x8A, 0xD1};

TEST_F(FrameParserTest, FindsAReplyAfterGarbageAndRemovesBoth) {
    receive(concat({Garbage, frame({0xFE, 0x41}), Bytes{0xD1, 0xE0}}));
    ASSERT_EQ(handler.events, (std::vector<Bytes>{{0xFE, 0x41}}));
    EXPECT_EQ(parser.fillLevel(), 2u);  // only the bytes after the reply stay
    EXPECT_EQ(parser.scanPosition(), 0u);
}

TEST_F(FrameParserTest, FewerThanSixBytesWaitForMore) {
    receive({0xD1, 0xE0, 0xEB, 0xEE, 0x00});
    EXPECT_TRUE(handler.events.empty());
    EXPECT_EQ(parser.fillLevel(), 5u);
    EXPECT_EQ(parser.scanPosition(), 0u);
    receive({0x8A});
    EXPECT_EQ(handler.events.size(), 1u);
}

TEST_F(FrameParserTest, GarbageIsSkippedButHeldUntilAFrameIsConsumed) {
    receive(Bytes(10, 0x55));
    EXPECT_EQ(parser.fillLevel(), 10u);
    EXPECT_EQ(parser.scanPosition(), 5u);  // stops when fewer than six bytes remain
}

TEST_F(FrameParserTest, AcceptsAReplyWhoseChecksumArrivesInALaterBlock) {
    const Bytes reply = frame({0xFD, 0x02});
    receive(Bytes(reply.begin(), reply.end() - 1));
    EXPECT_TRUE(handler.events.empty());
    EXPECT_EQ(parser.scanPosition(), 0u);
    receive(Bytes{reply.back()});
    EXPECT_EQ(handler.events, (std::vector<Bytes>{{0xFD, 0x02}}));
    EXPECT_EQ(parser.fillLevel(), 0u);
}

TEST_F(FrameParserTest, FrameSplitByteByByteIsFound) {
    const Bytes all = concat({Garbage, frame({9, 1, 2, 3, 4, 5, 6})});
    for (const std::uint8_t byte : all) {
        receive(Bytes{byte});
    }
    EXPECT_EQ(handler.events, (std::vector<Bytes>{{9, 1, 2, 3, 4, 5, 6}}));
}

TEST_F(FrameParserTest, BadHeaderChecksumStopsThePassUntilTheNextBlock) {
    Bytes damaged = frame({0xFE, 0x01});
    damaged[5] ^= 0x01;
    receive(concat({damaged, frame({0xFE, 0x02})}));
    EXPECT_TRUE(handler.events.empty());
    EXPECT_EQ(parser.scanPosition(), 1u);
    receive({0x00});  // any block runs the next pass, which finds the good reply
    EXPECT_EQ(handler.events, (std::vector<Bytes>{{0xFE, 0x02}}));
    EXPECT_EQ(parser.fillLevel(), 1u);
}

TEST_F(FrameParserTest, ReadySignalDiscardsEverythingHeldAfterIt) {
    receive(concat({ReadyFrame, frame({0xFE, 0x01})}));
    EXPECT_EQ(handler.events, (std::vector<Bytes>{Bytes{}}));
    EXPECT_EQ(parser.fillLevel(), 0u);
    EXPECT_EQ(parser.scanPosition(), 0u);
    EXPECT_EQ(parser.frameLength(), 0);
}

// A ready that sends nothing leaves the reply behind it to be parsed: it is the answer the
// host waits for.
TEST_F(FrameParserTest, ReadyThatSendsNothingKeepsTheBytesAfterIt) {
    handler.sends = false;
    receive(concat({ReadyFrame, frame({0xFE, 0x01}), Bytes{0xD1}}));
    EXPECT_EQ(handler.events, (std::vector<Bytes>{Bytes{}, Bytes{0xFE, 0x01}}));
    EXPECT_EQ(parser.fillLevel(), 1u);
}

TEST_F(FrameParserTest, OverflowKeepsOnlyTheNewBlock) {
    receive(Bytes(200, 0x55));
    const Bytes block = concat({Bytes(100, 0x33), frame(Bytes(13, 0x07))});
    ASSERT_EQ(block.size(), 120u);
    receive(block);
    EXPECT_EQ(handler.events, (std::vector<Bytes>{Bytes(13, 0x07)}));
    EXPECT_EQ(parser.fillLevel(), 0u);
}

TEST_F(FrameParserTest, ExactlyThreeHundredBytesFitWithoutOverflow) {
    const Bytes reply = frame(Bytes(200, 0x01));  // 207 bytes
    receive(Bytes(reply.begin(), reply.begin() + 100));
    receive(concat({Bytes(reply.begin() + 100, reply.end()), Bytes(93, 0x00)}));
    EXPECT_EQ(handler.events, (std::vector<Bytes>{Bytes(200, 0x01)}));
    EXPECT_EQ(parser.fillLevel(), 93u);
}

TEST_F(FrameParserTest, LongestReplyIsAccepted) {
    const Bytes payload(255, 0xFF);
    receive(frame(payload));
    EXPECT_EQ(handler.events, (std::vector<Bytes>{payload}));
}

TEST_F(FrameParserTest, BlockLongerThanTheBufferIsFedInPieces) {
    // 290 garbage bytes, then a reply straddling the 300-byte piece boundary, then another one
    // wholly inside the second piece.
    const Bytes block = concat(
        {Bytes(290, 0x55), frame({0xFE, 1, 2, 3, 4, 5, 6, 7}), Bytes(100, 0x66), frame({0xFD, 9})});
    receive(block);
    // The first reply is cut by the piece boundary: its head is discarded as overflow when
    // the second piece arrives. The second reply is found.
    EXPECT_EQ(handler.events, (std::vector<Bytes>{{0xFD, 9}}));
    EXPECT_LE(parser.fillLevel(), FrameParser::ReceiveBufferSize);
}

TEST_F(FrameParserTest, ManyRepliesInOneLongBlockAreAllFound) {
    Bytes block;
    for (std::uint8_t i = 0; i < 100; ++i) {
        const Bytes reply = frame({0xFA, i});
        block.insert(block.end(), reply.begin(), reply.end());
    }
    receive(block);  // 900 bytes; each 300-byte piece is parsed before the next arrives
    ASSERT_EQ(handler.events.size(), 100u);
    EXPECT_EQ(handler.events[99], (Bytes{0xFA, 99}));
}

TEST_F(FrameParserTest, BlockReceivedInsideTheReadyHandlerDoesNotRepeatTheReadySignal) {
    handler.onReady = [this] {
        if (handler.events.size() == 1) {
            receive(concat({frame({0xFE, 0x01}), Bytes{0xD1}}));
        }
    };
    receive(concat({ReadyFrame, Bytes(20, 0x44)}));
    // The nested block's reply is handed on once, the ready signal only once.
    EXPECT_EQ(handler.events, (std::vector<Bytes>{Bytes{}, Bytes{0xFE, 0x01}}));
    // After the handler the outer pass drops what the nested one left.
    EXPECT_EQ(parser.fillLevel(), 0u);
}

}  // namespace
}  // namespace kelvan::link::test
