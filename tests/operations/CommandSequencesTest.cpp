#include "operations/CommandSequences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace kelvan::operations {
namespace {

using link::Bytes;
using Log = std::vector<std::string>;

// Plays the link, the settings and the window at once and writes everything the sequences do
// into one log, in order. Chunk commands are logged as "code@address+count", other payloads as
// their bytes, followed by the status text their answer is to show; the host's calls by name.
class Recorder : public LinkAccess, public OptionSource, public OperationHost {
  public:
    void enqueueAnnouncing(std::span<const std::uint8_t> payload,
                           std::string_view statusWhenAnswered) override {
        queued.emplace_back(payload.begin(), payload.end());
        log.push_back(
            describe(queued.back()) +
            (statusWhenAnswered.empty() ? "" : " then '" + std::string(statusWhenAnswered) + "'"));
    }
    std::uint32_t programMemorySize() const override { return programSize; }
    std::uint32_t eepromSize() const override { return eepromSizeValue; }
    std::optional<std::uint8_t> commandOfLine(int line) const override {
        if (line < 0 || line >= static_cast<int>(commandList.size())) {
            return std::nullopt;
        }
        return commandList[static_cast<std::size_t>(line)];
    }
    bool commandOffered(std::uint8_t code) const override {
        return std::find(commandList.begin(), commandList.end(), code) != commandList.end();
    }
    int lockBitCount() const override { return lockBits; }
    std::uint64_t queueClearCount() const override { return clears; }

    bool isSet(Option option) const override { return !cleared.contains(option); }

    void setStatusText(std::string_view utf8) override {
        status = std::string(utf8);
        log.push_back("status '" + status + "'");
    }
    void setStatusErrorColour() override { log.push_back("error colour"); }
    void resetStatusColour() override { log.push_back("colour reset"); }
    void fitGridToBuffer() override { log.push_back("fit " + std::to_string(buffer.size())); }
    void showBitDialog(link::BitDialog dialog, bool writable) override {
        log.push_back(std::string(dialog == link::BitDialog::Lock ? "lock" : "fuse") +
                      (writable ? " dialog writable" : " dialog read-only"));
    }
    void showSizeWarning(std::string_view utf8) override {
        log.push_back("warning " + std::string(utf8));
        if (duringWarning) {
            duringWarning();
        }
    }
    buffer::LoadOutcome reloadWorkingFile() override {
        log.push_back("reload");
        return reloadOutcome;
    }

    static std::string describe(const Bytes& payload) {
        const std::set<int> chunked = {9, 10, 11, 13, 14, 15};
        if (payload.size() >= 6 && chunked.contains(payload[0])) {
            const std::uint32_t address = payload[1] | payload[2] << 8 | payload[3] << 16 |
                                          static_cast<std::uint32_t>(payload[4]) << 24;
            return std::to_string(payload[0]) + "@" + std::to_string(address) + "+" +
                   std::to_string(payload[5]);
        }
        std::string text;
        for (const std::uint8_t byte : payload) {
            text += (text.empty() ? "" : " ") + std::to_string(byte);
        }
        return text;
    }

    // The queued payloads' descriptions only.
    Log wire() const {
        Log result;
        for (const Bytes& payload : queued) {
            result.push_back(describe(payload));
        }
        return result;
    }

    // Every command code 0..20 offered, in ascending order, one per line.
    std::vector<std::uint8_t> commandList = [] {
        std::vector<std::uint8_t> all(21);
        for (std::size_t code = 0; code < all.size(); ++code) {
            all[code] = static_cast<std::uint8_t>(code);
        }
        return all;
    }();
    std::uint32_t programSize = 300;
    std::uint32_t eepromSizeValue = 100;
    int lockBits = 3;
    std::uint64_t clears = 0;
    std::set<Option> cleared;  // options not set; all others are
    buffer::LoadOutcome reloadOutcome = buffer::LoadOutcome::Loaded;
    std::function<void()> duringWarning;

    ProgramBuffer buffer;
    std::vector<Bytes> queued;
    Log log;
    std::string status = "previous";
};

// Chooses the command-list line that carries code, with chip 2 selected.
void chooseCode(Recorder& recorder, std::uint8_t code) {
    const auto& list = recorder.commandList;
    const auto line = std::find(list.begin(), list.end(), code) - list.begin();
    CommandSequences(recorder, recorder, recorder.buffer, recorder)
        .chooseCommand(2, static_cast<int>(line));
}

class CommandSequencesTest : public ::testing::Test {
  protected:
    CommandSequencesTest() { recorder.buffer.resize(250); }

    void choose(std::uint8_t code) { chooseCode(recorder, code); }

    Recorder recorder;
    CommandSequences sequences{recorder, recorder, recorder.buffer, recorder};
};

TEST_F(CommandSequencesTest, EveryRowOfTheCommandTable) {
    // Program memory 300 bytes, EEPROM 100, buffer 250 bytes, every command offered.
    const std::vector<std::pair<int, Log>> rows = {
        {0, {"status ''", "0"}},
        {3, {"status ''", "fuse dialog read-only", "3"}},
        {4, {"status ''", "fuse dialog writable"}},
        {5, {"status ''", "lock dialog read-only", "5"}},
        {6, {"status ''", "lock dialog writable"}},
        {7, {"status ''", "7"}},
        {9, {"status ''", "fit 300", "9@0+224", "9@224+76", "255"}},
        {11, {"status ''", "11@0+224", "11@224+26", "255 then 'Все верно.'"}},
        {12, {"12"}},
        {13, {"status ''", "fit 100", "13@0+100", "255"}},
        {15, {"status ''", "15@0+100", "255 then 'Все верно.'"}},
        {20, {"status ''", "20"}},
        {1, {}},
        {2, {}},
        {8, {}},
        {16, {}},
        {19, {}},
        {31, {}},
    };
    for (const auto& [code, steps] : rows) {
        Recorder fresh;
        fresh.buffer.resize(250);
        fresh.commandList.push_back(31);  // an empty line of the list
        chooseCode(fresh, static_cast<std::uint8_t>(code));
        Log expected = {"colour reset", "249 2"};
        expected.insert(expected.end(), steps.begin(), steps.end());
        EXPECT_EQ(fresh.log, expected) << "code " << code;
    }
}

TEST_F(CommandSequencesTest, NoCommandLineOrNoChipSelected) {
    sequences.chooseCommand(-1, -1);
    sequences.chooseCommand(0, 21);  // past the list
    EXPECT_EQ(recorder.log, (Log{"colour reset", "249 255", "colour reset", "249 0"}));
}

TEST_F(CommandSequencesTest, ReadsResizeTheBufferKeepingItsBytes) {
    recorder.buffer.set(0, 0xAB);
    recorder.buffer.set(249, 0xCD);
    recorder.buffer.setModified(true);
    choose(9);  // 300 bytes
    ASSERT_EQ(recorder.buffer.size(), 300u);
    EXPECT_EQ(recorder.buffer.at(0), 0xAB);
    EXPECT_EQ(recorder.buffer.at(249), 0xCD);
    EXPECT_EQ(recorder.buffer.at(299), 0);
    EXPECT_TRUE(recorder.buffer.modified());

    recorder.programSize = 0;
    recorder.log.clear();
    choose(9);
    EXPECT_TRUE(recorder.buffer.empty());
    EXPECT_EQ(recorder.log, (Log{"colour reset", "249 2", "status ''", "fit 0", "255"}));

    // 16 MiB is read; a byte more is refused, the buffer left alone.
    recorder.eepromSizeValue = 16 * 1024 * 1024 + 1;
    recorder.log.clear();
    choose(13);
    EXPECT_TRUE(recorder.buffer.empty());
    EXPECT_EQ(recorder.log,
              (Log{"colour reset", "249 2", "error colour",
                   "status 'Чтение отменено: программатор сообщил размер памяти 16777217 байт, "
                   "больше 16 МБ.'"}));
    recorder.eepromSizeValue = 16 * 1024 * 1024;
    choose(13);
    EXPECT_EQ(recorder.buffer.size(), 16u * 1024 * 1024);
}

TEST_F(CommandSequencesTest, ProgramWriteWithEveryOptionRunsInTheOrderOfTheWire) {
    choose(10);
    EXPECT_EQ(recorder.log, (Log{"colour reset",
                                 "249 2",
                                 "reload",
                                 "status ''",
                                 "0",
                                 "status ''",
                                 "7",
                                 "status ''",
                                 "0",
                                 "status ''",
                                 "10@0+224",
                                 "10@224+26",
                                 "255",
                                 "11@0+224",
                                 "11@224+26",
                                 "255 then 'Все верно.'",
                                 "6 0",
                                 "6 1",
                                 "6 2",
                                 "255"}));
    EXPECT_FALSE(recorder.buffer.modified());
}

TEST_F(CommandSequencesTest, EepromWriteWithEveryOptionRunsInTheOrderOfTheWire) {
    recorder.eepromSizeValue = 300;
    choose(14);
    EXPECT_EQ(recorder.log, (Log{"colour reset", "249 2", "reload", "status ''", "0", "12",
                                 "status ''", "14@0+224", "14@224+26", "255", "15@0+224",
                                 "15@224+26", "255 then 'Все верно.'"}));
}

TEST_F(CommandSequencesTest, OptionalStepsNeedTheirOptionAndTheCommandOffered) {
    struct Case {
        const char* name;
        std::uint8_t code;
        std::set<Option> cleared;
        std::vector<std::uint8_t> offered;
        Log wire;
    };
    const std::vector<Case> cases = {
        {"program, every option off",
         10,
         {Option::ReloadBeforeProgramWrite, Option::SignatureBeforeErase,
          Option::EraseBeforeProgramWrite, Option::SignatureAfterErase, Option::VerifyProgramWrite,
          Option::LockBitsAfterProgramWrite},
         {10},
         {"249 2", "10@0+224", "10@224+26", "255"}},
        {"program, every option on, only the write offered",
         10,
         {},
         {10},
         {"249 2", "10@0+224", "10@224+26", "255"}},
        {"program, only the lower signature check and the lock bits",
         10,
         {Option::SignatureBeforeErase, Option::EraseBeforeProgramWrite,
          Option::VerifyProgramWrite},
         {0, 6, 7, 10, 11},
         {"249 2", "0", "10@0+224", "10@224+26", "255", "6 0", "6 1", "6 2", "255"}},
        {"eeprom, every option off",
         14,
         {Option::ReloadBeforeEepromWrite, Option::SignatureBeforeEepromWrite,
          Option::EraseBeforeEepromWrite, Option::VerifyEepromWrite},
         {0, 12, 14, 15},
         {"249 2", "14@0+100", "255"}},
        {"eeprom, program options off change nothing",
         14,
         {Option::SignatureBeforeErase, Option::EraseBeforeProgramWrite,
          Option::VerifyProgramWrite},
         {0, 12, 14, 15},
         {"249 2", "0", "12", "14@0+100", "255", "15@0+100", "255"}},
    };
    for (const Case& c : cases) {
        Recorder fresh;
        fresh.buffer.resize(250);
        fresh.programSize = 250;
        fresh.cleared = c.cleared;
        fresh.commandList = c.offered;
        chooseCode(fresh, c.code);
        // The EEPROM is 100 bytes, so its cases also pass the size warning.
        EXPECT_EQ(fresh.wire(), c.wire) << c.name;
    }
}

TEST_F(CommandSequencesTest, ExtentsOfTheWrites) {
    struct Case {
        std::uint32_t size;
        std::size_t length;
        bool warned;
        Log writes;
    };
    const std::vector<Case> cases = {
        {1000, 1000, false, {"10@0+224", "10@224+224", "10@448+224", "10@672+224", "10@896+104"}},
        {256, 300, true, {"10@0+224", "10@224+32"}},
        {1000, 5, false, {"10@0+5"}},
        {1000, 0, false, {}},
        {224, 224, false, {"10@0+224"}},
    };
    for (const Case& c : cases) {
        Recorder fresh;
        fresh.buffer.resize(c.length);
        fresh.programSize = c.size;
        fresh.lockBits = 0;
        fresh.cleared = {Option::ReloadBeforeProgramWrite};
        CommandSequences(fresh, fresh, fresh.buffer, fresh).chooseCommand(0, 10);
        Log expected = {"249 0", "0", "7", "0"};
        expected.insert(expected.end(), c.writes.begin(), c.writes.end());
        expected.push_back("255");
        for (std::string chunk : c.writes) {
            expected.push_back(chunk.replace(0, 2, "11"));
        }
        expected.push_back("255");
        expected.push_back("255");  // lock bits on, none known: the 255 alone
        EXPECT_EQ(fresh.wire(), expected) << c.size << "/" << c.length;
        const bool warned =
            std::find(fresh.log.begin(), fresh.log.end(),
                      "warning Запишу только то, что войдет в микросхему!") != fresh.log.end();
        EXPECT_EQ(warned, c.warned) << c.size << "/" << c.length;
    }
}

TEST_F(CommandSequencesTest, ChunksCarryTheBufferBytesLittleEndian) {
    recorder.buffer.resize(0x1F0);
    for (std::size_t address = 0; address < recorder.buffer.size(); ++address) {
        recorder.buffer.set(address, static_cast<std::uint8_t>(address * 7));
    }
    recorder.programSize = 0x1F0;
    choose(11);
    ASSERT_EQ(recorder.queued.size(), 5u);  // 249, three chunks, 255
    const Bytes& third = recorder.queued[3];
    ASSERT_EQ(third.size(), 6u + 0x1F0 - 448);
    EXPECT_EQ(Bytes(third.begin(), third.begin() + 6), (Bytes{11, 0xC0, 0x01, 0, 0, 48}));
    EXPECT_EQ(third[6], static_cast<std::uint8_t>(448 * 7));
    EXPECT_EQ(third.back(), static_cast<std::uint8_t>(0x1EF * 7));
}

TEST_F(CommandSequencesTest, AFailedReloadWritesNothingAndSaysWhy) {
    using buffer::LoadOutcome;
    for (const LoadOutcome outcome :
         {LoadOutcome::NoFile, LoadOutcome::IgnoredTooLong, LoadOutcome::LengthWarning,
          LoadOutcome::Abandoned, LoadOutcome::OpenFailed}) {
        for (const std::uint8_t code : {10, 14}) {
            Recorder fresh;
            fresh.reloadOutcome = outcome;
            fresh.buffer.resize(10);
            fresh.buffer.setModified(true);
            CommandSequences(fresh, fresh, fresh.buffer, fresh).chooseCommand(1, code);
            EXPECT_EQ(fresh.wire(), (Log{"249 1"}));
            ASSERT_EQ(fresh.log.size(), 5u);
            EXPECT_EQ(fresh.log[3], "error colour");
            EXPECT_TRUE(fresh.status.starts_with("Ничего не записано: ")) << fresh.status;
            EXPECT_TRUE(fresh.buffer.modified());
        }
    }
}

TEST_F(CommandSequencesTest, TheSizeWarningLetsTheConversationGoOn) {
    recorder.programSize = 200;
    recorder.lockBits = 1;
    // While the box is open the programmer answers, and the command list and sizes change.
    recorder.duringWarning = [this] {
        recorder.commandList = {};
        recorder.programSize = 0;
        recorder.buffer.clear();
    };
    choose(10);
    EXPECT_EQ(recorder.wire(),
              (Log{"249 2", "0", "7", "0", "10@0+200", "255", "11@0+200", "255", "6 0", "255"}));
    EXPECT_EQ(std::count(recorder.log.begin(), recorder.log.end(), "255 then 'Все верно.'"), 1);

    // A queue cleared meanwhile (the signature was wrong, the programmer went away) dropped the
    // check and the erase: nothing is written behind them.
    Recorder cleared;
    cleared.buffer.resize(250);
    cleared.programSize = 200;
    cleared.duringWarning = [&cleared] {
        cleared.clears++;
        cleared.status = "Сигнатура: 1E не верна!";
    };
    chooseCode(cleared, 14);
    EXPECT_EQ(cleared.wire(), (Log{"249 2", "0", "12"}));
    EXPECT_EQ(cleared.status, "Сигнатура: 1E не верна!");
}

}  // namespace
}  // namespace kelvan::operations
