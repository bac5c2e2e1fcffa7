#include "operations/CommandSequences.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace kelvan::operations {
namespace {

// Plays the link, the settings and the window at once and writes everything the sequences do
// into one log, in order: queued payloads as "code@address+count" for chunks and as their bytes
// otherwise, followed by the status text their answer is to show; the host's calls by name.
class Recorder : public LinkAccess,
                 public OptionSource,
                 public OperationHost,
                 public link::StatusDisplay {
  public:
    void enqueueAnnouncing(std::span<const std::uint8_t> payload,
                           std::string_view statusWhenAnswered) override {
        std::string text;
        if (payload.size() >= 6 && std::set<int>{9, 10, 11, 13, 14, 15}.contains(payload[0])) {
            text = std::to_string(payload[0]) + "@" +
                   std::to_string(payload[1] | payload[2] << 8 | payload[3] << 16) + "+" +
                   std::to_string(payload[5]);
        } else {
            for (const std::uint8_t byte : payload) {
                text += (text.empty() ? "" : " ") + std::to_string(byte);
            }
        }
        if (!statusWhenAnswered.empty()) {
            text += " then '" + std::string(statusWhenAnswered) + "'";
        }
        log.push_back(text);
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
        shownStatus = std::string(utf8);
        log.push_back("status '" + shownStatus + "'");
    }
    void setStatusErrorColour() override { log.push_back("error colour"); }
    void resetStatusColour() override { log.push_back("colour reset"); }
    link::StatusDisplay& status() override { return *this; }
    void fitGridToBuffer() override { log.push_back("fit " + std::to_string(buffer.size())); }
    void showBitDialog(link::BitKind dialog, bool writable) override {
        log.push_back(std::string(dialog == link::BitKind::Lock ? "lock" : "fuse") +
                      (writable ? " dialog writable" : " dialog read-only"));
    }
    void showSizeWarning(std::string_view utf8) override {
        log.push_back("warning " + std::string(utf8));
        if (duringWarning) {
            duringWarning();
        }
    }
    image::LoadOutcome reloadWorkingFile() override {
        log.push_back("reload");
        return reloadOutcome;
    }

    // The log, or only the queued payloads (the entries that start with a digit), as one text
    // with " | " between the entries.
    std::string text(bool payloadsOnly = false) const {
        std::string joined;
        for (const std::string& entry : log) {
            if (!payloadsOnly || std::isdigit(entry[0]) != 0) {
                joined += (joined.empty() ? "" : " | ") + entry;
            }
        }
        return joined;
    }
    std::string wire() const { return text(true); }

    // Chooses the command-list line that carries code, with chip 2 selected.
    void choose(std::uint8_t code) {
        const auto line = std::find(commandList.begin(), commandList.end(), code);
        CommandSequences(*this, *this, buffer, *this)
            .chooseCommand(2, static_cast<int>(line - commandList.begin()));
    }

    std::vector<std::uint8_t> commandList{0,  1,  2,  3,  4,  5,  6,  7,  8,  9, 10,
                                          11, 12, 13, 14, 15, 16, 17, 18, 19, 20};
    std::uint32_t programSize = 300;
    std::uint32_t eepromSizeValue = 100;
    int lockBits = 3;
    std::uint64_t clears = 0;
    std::set<Option> cleared;  // options not set; all others are
    image::LoadOutcome reloadOutcome = image::LoadOutcome::Loaded;
    std::function<void()> duringWarning;

    ProgramBuffer buffer;
    std::vector<std::string> log;
    std::string shownStatus = "previous";
};

// Program memory 300 bytes, EEPROM 100, buffer 250 bytes, every command offered.
Recorder standard() {
    Recorder recorder;
    recorder.buffer.resize(250);
    recorder.buffer.setModified(true);
    return recorder;
}

TEST(CommandSequences, EveryRowOfTheCommandTable) {
    const std::vector<std::pair<int, std::string>> rows = {
        {0, " | status '' | 0"},
        {3, " | status '' | fuse dialog read-only | 3"},
        {4, " | status '' | fuse dialog writable"},
        {5, " | status '' | lock dialog read-only | 5"},
        {6, " | status '' | lock dialog writable"},
        {7, " | status '' | 7"},
        {9, " | status '' | fit 300 | 9@0+224 | 9@224+76 | 255"},
        {11, " | status '' | 11@0+224 | 11@224+26 | 255 then 'Все верно.'"},
        {12, " | 12"},
        {13, " | status '' | fit 100 | 13@0+100 | 255"},
        {15, " | status '' | 15@0+100 | 255 then 'Все верно.'"},
        {20, " | status '' | 20"},
        {1, ""},
        {2, ""},
        {8, ""},
        {16, ""},
        {19, ""},
        {31, ""},  // a line without caption
    };
    for (const auto& [code, steps] : rows) {
        Recorder recorder = standard();
        recorder.commandList.push_back(31);
        recorder.choose(static_cast<std::uint8_t>(code));
        EXPECT_EQ(recorder.text(), "colour reset | 249 2" + steps) << "code " << code;
    }

    Recorder recorder = standard();
    CommandSequences sequences(recorder, recorder, recorder.buffer, recorder);
    sequences.chooseCommand(-1, -1);
    sequences.chooseCommand(0, 21);  // past the list
    EXPECT_EQ(recorder.text(), "colour reset | 249 255 | colour reset | 249 0");
}

TEST(CommandSequences, WritesFollowTheirOptionsAndTheOfferedCommands) {
    struct Case {
        const char* name;
        std::uint8_t code;
        std::set<Option> cleared;
        std::vector<std::uint8_t> offered;
        std::string log;
    };
    const std::vector<std::uint8_t> all = standard().commandList;
    const std::vector<Case> cases = {
        {"program, every option",
         10,
         {},
         all,
         "colour reset | 249 2 | reload | status '' | 0 | status '' | 7 | status '' | 0 | "
         "status '' | 10@0+224 | 10@224+26 | 255 | 11@0+224 | 11@224+26 | "
         "255 then 'Все верно.' | 6 0 | 6 1 | 6 2 | 255"},
        {"eeprom, every option",
         14,
         {},
         all,
         "colour reset | 249 2 | reload | status '' | 0 | 12 | status '' | "
         "warning Запишу только то, что войдет в микросхему! | 14@0+100 | 255 | 15@0+100 | "
         "255 then 'Все верно.'"},
        {"program, every option off",
         10,
         {Option::ReloadBeforeProgramWrite, Option::SignatureBeforeErase,
          Option::EraseBeforeProgramWrite, Option::SignatureAfterErase, Option::VerifyProgramWrite,
          Option::LockBitsAfterProgramWrite},
         {10},
         "colour reset | 249 2 | status '' | 10@0+224 | 10@224+26 | 255"},
        {"program, every option on, only the write offered",
         10,
         {},
         {10},
         "colour reset | 249 2 | reload | status '' | 10@0+224 | 10@224+26 | 255"},
        {"program, the lower signature check and the lock bits",
         10,
         {Option::ReloadBeforeProgramWrite, Option::SignatureBeforeErase,
          Option::EraseBeforeProgramWrite, Option::VerifyProgramWrite},
         {0, 6, 7, 10, 11},
         "colour reset | 249 2 | status '' | 0 | status '' | 10@0+224 | 10@224+26 | 255 | 6 0 | "
         "6 1 | 6 2 | 255"},
        {"eeprom, its own options off, the program's on",
         14,
         {Option::ReloadBeforeEepromWrite, Option::SignatureBeforeEepromWrite,
          Option::EraseBeforeEepromWrite, Option::VerifyEepromWrite},
         all,
         "colour reset | 249 2 | status '' | warning Запишу только то, что войдет в микросхему! | "
         "14@0+100 | 255"},
    };
    for (const Case& c : cases) {
        Recorder recorder = standard();
        recorder.cleared = c.cleared;
        recorder.commandList = c.offered;
        recorder.choose(c.code);
        EXPECT_EQ(recorder.text(), c.log) << c.name;
        // A reload that loaded the file leaves the buffer unmodified.
        const Option reload =
            c.code == 10 ? Option::ReloadBeforeProgramWrite : Option::ReloadBeforeEepromWrite;
        EXPECT_EQ(recorder.buffer.modified(), c.cleared.contains(reload)) << c.name;
    }
}

TEST(CommandSequences, ExtentsOfTheWrites) {
    struct Case {
        std::uint32_t size;
        std::size_t length;
        std::string writes;
        std::string verifies;
    };
    const std::vector<Case> cases = {
        {1000, 1000, "10@0+224 | 10@224+224 | 10@448+224 | 10@672+224 | 10@896+104 | ",
         "11@0+224 | 11@224+224 | 11@448+224 | 11@672+224 | 11@896+104 | "},
        {256, 300, "10@0+224 | 10@224+32 | ", "11@0+224 | 11@224+32 | "},  // with the warning
        {1000, 5, "10@0+5 | ", "11@0+5 | "},
        {1000, 0, "", ""},
        {224, 224, "10@0+224 | ", "11@0+224 | "},
    };
    for (const Case& c : cases) {
        Recorder recorder;
        recorder.buffer.resize(c.length);
        recorder.programSize = c.size;
        recorder.lockBits = 0;
        recorder.cleared = {Option::ReloadBeforeProgramWrite};
        recorder.choose(10);
        // With the lock bits on and none known, the write ends with the 255 alone.
        EXPECT_EQ(recorder.wire(), "249 2 | 0 | 7 | 0 | " + c.writes + "255 | " + c.verifies +
                                       "255 then 'Все верно.' | 255")
            << c.size << "/" << c.length;
        EXPECT_EQ(recorder.text().find("warning") != std::string::npos, c.length > c.size)
            << c.size << "/" << c.length;
    }
}

TEST(CommandSequences, ReadsOfNothingAndOfTooMuch) {
    Recorder recorder = standard();
    recorder.programSize = 0;
    recorder.choose(9);
    EXPECT_TRUE(recorder.buffer.empty());
    EXPECT_EQ(recorder.text(), "colour reset | 249 2 | status '' | fit 0 | 255");

    // 16 MiB is read; a byte more is refused, the buffer left alone.
    recorder.eepromSizeValue = 16 * 1024 * 1024 + 1;
    recorder.log.clear();
    recorder.choose(13);
    EXPECT_TRUE(recorder.buffer.empty());
    EXPECT_EQ(recorder.text(),
              "colour reset | 249 2 | error colour | status 'Чтение отменено: программатор "
              "сообщил размер памяти 16777217 байт, больше 16 МБ.'");
    recorder.eepromSizeValue = 16 * 1024 * 1024;
    recorder.choose(13);
    EXPECT_EQ(recorder.buffer.size(), 16u * 1024 * 1024);
}

TEST(CommandSequences, AFailedReloadWritesNothingAndSaysWhy) {
    using image::LoadOutcome;
    const std::pair<LoadOutcome, std::string> cases[] = {
        {LoadOutcome::NoFile, "рабочий файл не выбран или не найден."},
        {LoadOutcome::IgnoredTooLong, "рабочий файл слишком длинный (512 КБ и больше)."},
        {LoadOutcome::LengthWarning, "рабочий файл слишком длинный (512 КБ и больше)."},
        {LoadOutcome::Abandoned, "в HEX-файле нет записи конца файла или запись испорчена."},
        {LoadOutcome::OpenFailed, "рабочий файл не открывается."},
    };
    for (const auto& [outcome, reason] : cases) {
        for (const std::uint8_t code : {10, 14}) {
            Recorder recorder = standard();
            recorder.reloadOutcome = outcome;
            recorder.choose(code);
            EXPECT_EQ(recorder.text(),
                      "colour reset | 249 2 | reload | error colour | "
                      "status 'Ничего не записано: " +
                          reason + "'")
                << reason << ", code " << int{code};
            EXPECT_TRUE(recorder.buffer.modified());
        }
    }
}

TEST(CommandSequences, TheSizeWarningLetsTheConversationGoOn) {
    Recorder recorder = standard();
    recorder.programSize = 200;
    recorder.lockBits = 1;
    // While the box is open the programmer answers, and the command list and sizes change.
    recorder.duringWarning = [&recorder] {
        recorder.commandList = {};
        recorder.programSize = 0;
        recorder.buffer.clear();
    };
    recorder.choose(10);
    EXPECT_EQ(recorder.wire(),
              "249 2 | 0 | 7 | 0 | 10@0+200 | 255 | 11@0+200 | 255 then 'Все верно.' | 6 0 | 255");

    // A queue cleared meanwhile (the signature was wrong, the programmer went away) dropped the
    // check and the erase: nothing is written behind them.
    Recorder cleared = standard();
    cleared.duringWarning = [&cleared] {
        cleared.clears++;
        cleared.shownStatus = "Сигнатура: 1E не верна!";
    };
    cleared.choose(14);
    EXPECT_EQ(cleared.wire(), "249 2 | 0 | 12");
    EXPECT_EQ(cleared.shownStatus, "Сигнатура: 1E не верна!");
}

}  // namespace
}  // namespace kelvan::operations
