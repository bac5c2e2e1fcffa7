// The effect of every reply on the windows, the tables, ProgramBuffer and the queue, and what
// happens to replies that point outside what the host holds.

#include <gtest/gtest.h>

#include "LinkTestSupport.h"

namespace kelvan::link::test {
namespace {

using Queue = std::vector<Bytes>;

class ReplyTest : public LinkTest {
  protected:
    static Bytes chunkReply(std::uint8_t code, std::uint32_t address, const Bytes& data) {
        Bytes payload =
            commands::readProgramMemory(address, static_cast<std::uint8_t>(data.size()));
        payload[0] = code;
        payload.insert(payload.end(), data.begin(), data.end());
        return payload;
    }
    static Bytes verifyReply(std::uint8_t code, std::uint32_t address, std::uint8_t result) {
        Bytes payload = commands::readProgramMemory(address, 224);
        payload[0] = code;
        payload.push_back(result);
        return payload;
    }
};

TEST_F(ReplyTest, SignatureIsShownInUpperCaseHexWithoutLeadingZeros) {
    exchange(commands::readSignature(), {0, 3, 0x1E, 0x95, 0x0F, 1});
    EXPECT_EQ(view.status, "Сигнатура: 1E 95 F верна");
    EXPECT_FALSE(view.errorColour);
    EXPECT_EQ(link.queueLength(), 0u);
}

TEST_F(ReplyTest, WrongSignatureFlagsAndDropsTheRestOfTheOperation) {
    enqueue({commands::readSignature(), commands::eraseAll(), commands::endOfSequence()});
    ready();
    reply({0, 2, 0xAB, 0x00, 0});
    EXPECT_EQ(view.status, "Сигнатура: AB 0 не верна!");
    EXPECT_TRUE(view.errorColour);
    EXPECT_EQ(link.queueLength(), 0u);
    EXPECT_EQ(link.retryCounter(), 0);
}

TEST_F(ReplyTest, SignatureWithoutBytesShowsOnlyTheVerdict) {
    exchange(commands::readSignature(), {0, 0, 5});
    EXPECT_EQ(view.status, "Сигнатура: верна");
}

TEST_F(ReplyTest, CalibrationBytesAreListed) {
    exchange(commands::readCalibration(), {20, 3, 0xA0, 0x05, 0x00});
    EXPECT_EQ(view.status, "Калибровочные байты: A0 5 0");
}

TEST_F(ReplyTest, BitStatesSetAndClearTheBoxes) {
    giveBitBoxes(BitKind::Lock, 3);
    giveBitBoxes(BitKind::Fuse, 2);
    exchange(commands::readLockBits(), {5, 3, 1, 0, 7});
    exchange(commands::readFuseBits(), {3, 2, 0, 9});
    ASSERT_EQ(view.lockBoxes.size(), 3u);
    EXPECT_TRUE(view.lockBoxes[0].checked);
    EXPECT_FALSE(view.lockBoxes[1].checked);
    EXPECT_TRUE(view.lockBoxes[2].checked);
    EXPECT_FALSE(view.fuseBoxes[0].checked);
    EXPECT_TRUE(view.fuseBoxes[1].checked);
    exchange(commands::readLockBits(), {5, 3, 0, 0, 0});
    EXPECT_FALSE(view.lockBoxes[0].checked);
}

TEST_F(ReplyTest, MoreBitStatesThanBoxesSetOnlyTheBoxesThatExist) {
    giveBitBoxes(BitKind::Fuse, 2);
    exchange(commands::readFuseBits(), {3, 4, 1, 1, 1, 1});
    EXPECT_TRUE(view.fuseBoxes[0].checked);
    EXPECT_TRUE(view.fuseBoxes[1].checked);
    EXPECT_EQ(view.fuseBoxes.size(), 2u);              // FakeView fails the test on any index >= 2
    exchange(commands::readLockBits(), {5, 2, 1, 1});  // no lock boxes at all
    EXPECT_TRUE(view.lockBoxes.empty());
    EXPECT_EQ(link.queueLength(), 0u);
}

TEST_F(ReplyTest, BitCountRebuildsTheDialogAndAsksForEachCaptionBehindTheQueue) {
    enqueue({commands::askLockBitCount(), commands::askProgramMemorySize()});
    answer({245, 3});
    EXPECT_EQ(link.lockBitCount(), 3);
    EXPECT_EQ(view.lockBoxes.size(), 3u);
    EXPECT_EQ(queued(), (Queue{{243}, {244, 0}, {244, 1}, {244, 2}}));
    link.clearQueue();
    exchange(commands::askFuseBitCount(), {247, 2});
    EXPECT_EQ(link.fuseBitCount(), 2);
    EXPECT_EQ(queued(), (Queue{{246, 0}, {246, 1}}));
    link.clearQueue();
    exchange(commands::askFuseBitCount(), {247, 0});
    EXPECT_EQ(link.fuseBitCount(), 0);
    EXPECT_TRUE(view.fuseBoxes.empty());
    EXPECT_EQ(link.queueLength(), 0u);
}

TEST_F(ReplyTest, BitCaptionsGoToTheirBoxAndOutOfRangeIndexesAreIgnored) {
    giveBitBoxes(BitKind::Lock, 2);
    giveBitBoxes(BitKind::Fuse, 1);
    exchange(commands::askLockBitCaption(1), textReply(244, {1}, "LB2"));
    exchange(commands::askFuseBitCaption(0), textReply(246, {0}, "SPIEN"));
    EXPECT_EQ(view.lockBoxes[1].caption, "LB2");
    EXPECT_EQ(view.fuseBoxes[0].caption, "SPIEN");
    exchange(commands::askLockBitCaption(2), textReply(244, {2}, "X"));
    exchange(commands::askFuseBitCaption(200), textReply(246, {200}, "Y"));
    EXPECT_EQ(link.queueLength(), 0u);  // answered, and nothing outside the boxes touched
}

TEST_F(ReplyTest, ReadChunksFillTheBufferInOrderAndRefreshTheGrid) {
    buffer.resize(300);
    enqueue({commands::readProgramMemory(0, 224), commands::readProgramMemory(224, 76),
             commands::endOfSequence()});
    answer(chunkReply(9, 0, Bytes(224, 0x11)));
    EXPECT_EQ(view.gridFormats, 1);
    answer(chunkReply(9, 224, Bytes(76, 0x22)));
    EXPECT_EQ(view.gridFormats, 2);
    EXPECT_EQ(buffer.at(223), 0x11);
    EXPECT_EQ(buffer.at(224), 0x22);
    EXPECT_EQ(buffer.at(299), 0x22);
    EXPECT_EQ(queued(), (Queue{{255}}));
}

TEST_F(ReplyTest, EepromChunkGoesToTheBufferToo) {
    buffer.resize(64);
    exchange(commands::readEeprom(32, 2), chunkReply(13, 32, {0xDE, 0xAD}));
    EXPECT_EQ(buffer.at(32), 0xDE);
    EXPECT_EQ(buffer.at(33), 0xAD);
    EXPECT_EQ(view.gridFormats, 1);
}

TEST_F(ReplyTest, ChunkNotWhollyInsideTheBufferIsIgnored) {
    buffer.resize(100);
    exchange(commands::readProgramMemory(90, 20), chunkReply(9, 90, Bytes(20, 0x77)));
    exchange(commands::readProgramMemory(0xFFFFFFF0u, 32),
             chunkReply(9, 0xFFFFFFF0u, Bytes(32, 0x77)));
    EXPECT_EQ(view.gridFormats, 0);
    EXPECT_EQ(buffer.at(99), 0);
    EXPECT_EQ(link.queueLength(), 0u);  // answered all the same
}

TEST_F(ReplyTest, PassingVerifyChunksChangeNothing) {
    view.status = "Все верно.";
    exchange(commands::verifyProgramMemory(0, Bytes(224, 1)), verifyReply(11, 0, 1));
    EXPECT_EQ(view.status, "Все верно.");
    EXPECT_FALSE(view.errorColour);
}

TEST_F(ReplyTest, FailingVerifyChunkShowsItsAddressAndStopsTheLaterChunks) {
    enqueue({commands::verifyProgramMemory(0, Bytes(224, 1)),
             commands::verifyProgramMemory(224, Bytes(224, 1)),
             commands::verifyProgramMemory(448, Bytes(224, 1)), commands::endOfSequence()});
    answer(verifyReply(11, 0, 1));
    answer(verifyReply(11, 224, 0));
    EXPECT_TRUE(view.errorColour);
    EXPECT_EQ(view.status, "Ошибка по адресу E0. Попробуйте программировать снова!");
    EXPECT_EQ(view.failedAddresses, std::vector<std::uint32_t>{0xE0}) << "the passing one: none";
    EXPECT_EQ(link.queueLength(), 0u);
    const std::size_t sent = sink.frames.size();
    ready();
    EXPECT_EQ(sink.frames.size(), sent);
}

TEST_F(ReplyTest, AStatusWaitingForAnAnswerIsShownOnlyWhenTheAnswerCame) {
    const auto verifyThenClose = [this] {
        link.enqueue(commands::verifyProgramMemory(0, Bytes(224, 1)));
        link.enqueue(commands::endOfSequence(), "Все верно.");
    };
    verifyThenClose();
    answer(verifyReply(11, 0, 1));
    EXPECT_EQ(view.status, "");
    answer(Bytes{255});
    EXPECT_EQ(view.status, "Все верно.");

    // A failing chunk clears the queue, and the programmer going away too: no answer comes, and
    // the verify is reported cut short.
    view.status = "";
    verifyThenClose();
    answer(verifyReply(11, 0, 0));
    answer(Bytes{255});
    EXPECT_EQ(view.status, "Ошибка по адресу 0. Попробуйте программировать снова!");
    view.status = "";
    verifyThenClose();
    link.watchdogExpired();
    answer(Bytes{255});
    EXPECT_EQ(view.status, "Операция прервана: программатор не отвечает.");
}

TEST_F(ReplyTest, FailingEepromVerifyShowsALongAddress) {
    exchange(commands::verifyEeprom(0x1ABC, Bytes(4, 0)), verifyReply(15, 0x1ABC, 0));
    EXPECT_EQ(view.status, "Ошибка по адресу 1ABC. Попробуйте программировать снова!");
    EXPECT_EQ(view.failedAddresses, std::vector<std::uint32_t>{0x1ABC});
}

TEST_F(ReplyTest, SizesAreLittleEndianAndTheThirdOneIsIgnored) {
    exchange(commands::askProgramMemorySize(), {243, 0x78, 0x56, 0x34, 0x12});
    exchange(commands::askEepromSize(), {242, 0x00, 0x10, 0x00, 0x00});
    exchange(commands::askThirdSize(), {241, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(link.programMemorySize(), 0x12345678u);
    EXPECT_EQ(link.eepromSize(), 0x1000u);
    EXPECT_EQ(link.queueLength(), 0u);
}

TEST_F(ReplyTest, CommandMaskListsTheOfferedCommands) {
    exchange(commands::askCommandMask(), {248, 0x01, 0x06, 0x00, 0x00});  // bits 0, 9, 10
    EXPECT_EQ(view.commandList,
              (std::vector<std::string>{"Читать сигнатуру", "Читать память программ",
                                        "Записать память программ"}));
    EXPECT_EQ(link.commandCount(), 3);
    EXPECT_EQ(link.commandMap()[0], 0);
    EXPECT_EQ(link.commandMap()[1], 9);
    EXPECT_EQ(link.commandMap()[2], 10);
    EXPECT_TRUE(link.commandOffered(9));
    EXPECT_FALSE(link.commandOffered(11));
    EXPECT_EQ(link.lineOfCommand(10), 2);
    EXPECT_EQ(link.lineOfCommand(11), std::nullopt);

    exchange(commands::askCommandMask(), {248, 0, 0, 0, 0});
    EXPECT_TRUE(view.commandList.empty());
    EXPECT_EQ(link.commandCount(), 0);
    EXPECT_FALSE(link.commandOffered(0));  // the old map entries no longer count
    EXPECT_EQ(link.lineOfCommand(0), std::nullopt);
}

TEST_F(ReplyTest, FullCommandMaskAddsBlankLinesForUnnamedCodes) {
    exchange(commands::askCommandMask(), {248, 0xFF, 0xFF, 0xFF, 0xFF});
    ASSERT_EQ(view.commandList.size(), 32u);
    EXPECT_EQ(view.commandList[20], "Читать калибровочные байты");
    EXPECT_EQ(view.commandList[31], "");
    EXPECT_EQ(link.commandMap()[31], 31);
}

TEST_F(ReplyTest, ChipCountEmptiesTheListAndAsksForEachName) {
    view.chips = {"OLD"};
    enqueue({commands::askChipCount(), commands::askTitle()});
    answer({251, 2});
    EXPECT_TRUE(view.chips.empty());
    EXPECT_EQ(queued(), (Queue{{254}, {250, 0}, {250, 1}}));
}

TEST_F(ReplyTest, ChipCountZeroKeepsTheListAndAsksNothing) {
    view.chips = {"OLD"};
    exchange(commands::askChipCount(), {251, 0});
    EXPECT_EQ(view.chips, (std::vector<std::string>{"OLD"}));
    EXPECT_EQ(link.queueLength(), 0u);
    EXPECT_EQ(view.count("clearChipList"), 0);
}

TEST_F(ReplyTest, ChipNamesAreAppendedAsWindows1251Bytes) {
    exchange(commands::askChipName(0), textReply(250, {}, "\xCC\xEA"));
    EXPECT_EQ(view.chips, (std::vector<std::string>{"\xCC\xEA"}));
}

TEST_F(ReplyTest, AboutLabelsAreCreatedThenFilledAndOutOfRangeLinesIgnored) {
    exchange(commands::askAboutLineCount(), {253, 2});
    EXPECT_EQ(link.aboutLineCount(), 2);
    EXPECT_EQ(queued(), (Queue{{252, 0}, {252, 1}}));
    link.clearQueue();
    exchange(commands::askAboutLine(1), textReply(252, {1}, "v2"));
    exchange(commands::askAboutLine(2), textReply(252, {2}, "extra"));
    EXPECT_EQ(view.aboutLines, (std::vector<std::string>{"Пока это неизвестная надпись!", "v2"}));
}

TEST_F(ReplyTest, TitleSetsTheCaptionThenAsksForAboutLinesBeforeChips) {
    enqueue({commands::askTitle(), commands::eraseAll()});
    answer(textReply(254, {}, "\xCF\xF0\xEE\xE3"));
    EXPECT_EQ(view.caption, "\xCF\xF0\xEE\xE3");
    EXPECT_EQ(queued(), (Queue{{7}, {253}, {251}}));
}

TEST_F(ReplyTest, AcknowledgementsOnlyRemoveTheHead) {
    for (const Bytes& command :
         {commands::writeFuseBit(0, true), commands::writeLockBit(1), commands::eraseAll(),
          commands::eraseEeprom(), commands::selectChip(3), commands::endOfSequence(),
          commands::writeProgramMemory(0, Bytes(4, 1))}) {
        link.enqueue(command);
        ready();
        const std::size_t mark = view.calls.size();
        reply({command[0]});
        EXPECT_EQ(link.queueLength(), 0u) << int{command[0]};
        EXPECT_EQ(view.logFrom(mark), (std::vector<std::string>{"progress 1 0", "closeProgress"}));
    }
    EXPECT_EQ(link.retryCounter(), 0);
}

TEST_F(ReplyTest, StaleDuplicateOfAnEarlierChunkIsDropped) {
    buffer.resize(448);
    enqueue({commands::readProgramMemory(0, 224), commands::readProgramMemory(224, 224)});
    ready();
    reply(chunkReply(9, 0, Bytes(224, 0x11)));
    ready();
    reply(chunkReply(9, 0, Bytes(224, 0x99)));  // a late repeat of the first answer
    EXPECT_EQ(buffer.at(0), 0x11);
    EXPECT_EQ(view.gridFormats, 1);
    EXPECT_EQ(queued(), (Queue{commands::readProgramMemory(224, 224)}));
    EXPECT_EQ(link.retryCounter(), 1);
    reply(chunkReply(9, 224, Bytes(224, 0x22)));
    EXPECT_EQ(buffer.at(447), 0x22);
    EXPECT_EQ(link.queueLength(), 0u);
}

TEST_F(ReplyTest, StaleDuplicateOfAnEarlierIndexIsDropped) {
    giveBitBoxes(BitKind::Lock, 2);
    giveBitBoxes(BitKind::Fuse, 2);
    exchange(commands::askAboutLineCount(), {253, 2});
    link.clearQueue();
    struct Indexed {
        Bytes (*ask)(std::uint8_t);
        std::string& secondLine;
    };
    for (const Indexed& indexed : {Indexed{commands::askLockBitCaption, view.lockBoxes[1].caption},
                                   Indexed{commands::askFuseBitCaption, view.fuseBoxes[1].caption},
                                   Indexed{commands::askAboutLine, view.aboutLines[1]}}) {
        const std::uint8_t code = indexed.ask(0)[0];
        enqueue({indexed.ask(0), indexed.ask(1)});
        answer(textReply(code, {0}, "first"));
        const std::string before = indexed.secondLine;
        answer(textReply(code, {0}, "again"));  // a late repeat of the first answer
        EXPECT_EQ(indexed.secondLine, before) << int{code};
        EXPECT_EQ(queued(), (Queue{indexed.ask(1)})) << int{code};
        answer(textReply(code, {1}, "second"));
        EXPECT_EQ(indexed.secondLine, "second") << int{code};
        EXPECT_EQ(link.queueLength(), 0u) << int{code};
    }
}

TEST_F(ReplyTest, StaleDuplicateVerifyFailureDoesNotStopTheOperation) {
    enqueue({commands::verifyEeprom(0, Bytes(8, 0)), commands::verifyEeprom(8, Bytes(8, 0)),
             commands::endOfSequence()});
    answer(verifyReply(15, 0, 1));
    answer(verifyReply(15, 0, 0));  // the device repeating an old chunk's answer
    EXPECT_FALSE(view.errorColour);
    EXPECT_EQ(link.queueLength(), 2u);
}

TEST_F(ReplyTest, VerifyFailureMayNameTheDifferingByteInsideTheChunk) {
    enqueue({commands::verifyProgramMemory(224, Bytes(224, 0)),
             commands::verifyProgramMemory(448, Bytes(224, 0)), commands::endOfSequence()});
    answer(verifyReply(11, 224 + 224, 0));  // just past the chunk: belongs to the next one
    EXPECT_FALSE(view.errorColour);
    EXPECT_EQ(link.queueLength(), 3u);
    answer(verifyReply(11, 0x1A3, 0));  // inside 224..447
    EXPECT_TRUE(view.errorColour);
    EXPECT_EQ(view.status, "Ошибка по адресу 1A3. Попробуйте программировать снова!");
    EXPECT_EQ(link.queueLength(), 0u);
}

// A device that answers the whole start-up conversation, driven by ready signals.
TEST_F(ReplyTest, StartUpConversationFillsTheTitleAboutBoxAndChipList) {
    const std::vector<std::string> about{"Line one", "Line two"};
    const std::vector<std::string> chips{"ChipA", "ChipB", "ChipC"};
    enqueue({commands::endOfSequence(), commands::askTitle()});
    for (int step = 0; step < 50 && link.queueLength() > 0; ++step) {
        ready();
        const Bytes request = sink.payloads().back();
        switch (request[0]) {
            case 254:
                reply(textReply(254, {}, "Programmer"));
                break;
            case 253:
                reply({253, static_cast<std::uint8_t>(about.size())});
                break;
            case 251:
                reply({251, static_cast<std::uint8_t>(chips.size())});
                break;
            case 252:
                reply(textReply(252, {request[1]}, about.at(request[1])));
                break;
            case 250:
                reply(textReply(250, {}, chips.at(request[1])));
                break;
            default:
                reply({request[0]});
                break;
        }
    }
    std::vector<std::uint8_t> order;
    for (const Bytes& payload : sink.payloads()) {
        order.push_back(payload[0]);
    }
    EXPECT_EQ(order, (std::vector<std::uint8_t>{255, 254, 253, 251, 252, 252, 250, 250, 250}));
    EXPECT_EQ(view.caption, "Programmer");
    EXPECT_EQ(view.aboutLines, about);
    EXPECT_EQ(view.chips, chips);
    EXPECT_EQ(view.warnings.size(), 0u);
}

// A reply shorter than its layout is not an answer: it is dropped like a mismatched reply, so
// the command goes out again and the retry limit reports a device that keeps sending them.
struct ShortReply {
    const char* name = nullptr;
    Bytes command;
    Bytes reply;
};

// Keeps test listings readable: the case's name instead of the object's raw bytes.
void PrintTo(const ShortReply& shortReply, std::ostream* out) {
    *out << shortReply.name;
}

class ShortReplyTest : public LinkTest, public ::testing::WithParamInterface<ShortReply> {};

TEST_P(ShortReplyTest, IsDroppedLikeAMismatchedReply) {
    buffer.resize(16);
    giveBitBoxes(BitKind::Lock, 4);
    link.enqueue(GetParam().command);
    ready();
    const std::size_t mark = view.calls.size();
    reply(GetParam().reply);
    EXPECT_EQ(queued(), (std::vector<Bytes>{GetParam().command}));
    EXPECT_EQ(link.retryCounter(), 1);
    EXPECT_TRUE(view.logFrom(mark).empty());
    EXPECT_TRUE(view.status.empty());
    EXPECT_TRUE(view.caption.empty());
    EXPECT_TRUE(view.chips.empty());
    EXPECT_EQ(view.gridFormats, 0);
    EXPECT_EQ(link.programMemorySize(), 0u);
    for (const auto& box : view.lockBoxes) {
        EXPECT_FALSE(box.checked);
        EXPECT_TRUE(box.caption.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ShortReplyTest,
    ::testing::Values(
        ShortReply{"TitleLongerThanReceived", commands::askTitle(), {254, 10, 'A', 'B'}},
        ShortReply{"ChipNameWithoutLength", commands::askChipName(0), {250}},
        ShortReply{"AboutLineCut", commands::askAboutLine(0), {252, 0, 5, 'x'}},
        ShortReply{"CaptionWithoutText", commands::askLockBitCaption(0), {244, 0}},
        ShortReply{"SignatureWithoutVerdict", commands::readSignature(), {0, 3, 0x1E, 0x95, 0x0F}},
        ShortReply{"FewerBitStatesThanCounted", commands::readLockBits(), {5, 4, 1, 1}},
        ShortReply{
            "ChunkMissingData", commands::readProgramMemory(0, 4), {9, 0, 0, 0, 0, 4, 1, 2, 3}},
        ShortReply{"VerifyWithoutResult",
                   commands::verifyProgramMemory(0, Bytes(4, 0)),
                   {11, 0, 0, 0, 0, 4}},
        ShortReply{"SizeCut", commands::askProgramMemorySize(), {243, 1, 2, 3}},
        ShortReply{"CountMissing", commands::askLockBitCount(), {245}}),
    [](const ::testing::TestParamInfo<ShortReply>& param) {
        return std::string(param.param.name);
    });

}  // namespace
}  // namespace kelvan::link::test
