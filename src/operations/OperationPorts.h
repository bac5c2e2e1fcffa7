#pragma once

// What the operation sequences use of the rest of the program: the link (where commands are
// queued and what the programmer reported), the twelve options, and a host for what a window
// or a command-line tool shows. The sequences never see a widget; the window implements these
// with its link, settings dialog and grid, a command-line tool with its own.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "image/ImageLoader.h"
#include "link/LinkPorts.h"

namespace kelvan::operations {

// The programmer link as the sequences see it.
class LinkAccess {
  public:
    virtual ~LinkAccess() = default;

    // CommandQueue's Enqueue.
    void enqueue(std::span<const std::uint8_t> payload) { enqueueAnnouncing(payload, {}); }
    // The same, and once the programmer has answered this command the status text becomes
    // statusWhenAnswered (empty: nothing is shown); not when the queue is cleared first.
    virtual void enqueueAnnouncing(std::span<const std::uint8_t> payload,
                                   std::string_view statusWhenAnswered) = 0;

    virtual std::uint32_t programMemorySize() const = 0;
    virtual std::uint32_t eepromSize() const = 0;
    // CommandMap[line] for a line of the command list; nothing when no such line is listed.
    virtual std::optional<std::uint8_t> commandOfLine(int line) const = 0;
    // Whether code stands among the CommandMap entries of the listed lines.
    virtual bool commandOffered(std::uint8_t code) const = 0;
    virtual int lockBitCount() const = 0;
    // Grows whenever the queue is cleared (wrong signature, failed verify, retry limit, lost
    // programmer): commands queued before a change may have been dropped.
    virtual std::uint64_t queueClearCount() const = 0;
};

// The twelve options of the settings dialog, numbered as its check boxes CheckBox1..CheckBox12
// and the stored values "Check1".."Check12".
enum class Option {
    ReloadBeforeProgramWrite = 1,  // "обновлять буфер" under "Запись программ"
    EraseBeforeProgramWrite = 2,  // "стирать все"
    VerifyProgramWrite = 3,  // "верифицировать" under "Запись программ"
    ReadHexFiles = 4,        // "понимать HEX-файлы"
    ReloadBeforeEepromWrite = 5,  // "обновлять буфер" under "Запись EEPROM"
    EraseBeforeEepromWrite = 6,   // "стирать EEPROM"
    VerifyEepromWrite = 7,        // "верифицировать" under "Запись EEPROM"
    SignatureAfterErase = 8,  // the lower "проверять сигнатуру" under "Запись программ"
    SignatureBeforeEepromWrite = 9,  // "проверять сигнатуру" under "Запись EEPROM"
    SignatureBeforeErase = 10,  // the upper "проверять сигнатуру" under "Запись программ"
    LockBitsAfterProgramWrite = 11,  // "Ставить биты защиты"
    ReadEepFiles = 12,               // "понимать EEP-файлы"
};

class OptionSource {
  public:
    virtual ~OptionSource() = default;
    virtual bool isSet(Option option) const = 0;
};

// The working-file load's options as `options` hold them now.
inline image::LoadOptions loadOptionsFrom(const OptionSource& options) {
    return image::LoadOptions{.hexFiles = options.isSet(Option::ReadHexFiles),
                              .eepFiles = options.isSet(Option::ReadEepFiles)};
}

// What the sequences ask of the window (or of a tool without one).
class OperationHost {
  public:
    virtual ~OperationHost() = default;

    // The status bar's single panel, the one the link writes to.
    virtual link::StatusDisplay& status() = 0;

    // ProgramBuffer's length changed: FitGridToBuffer.
    virtual void fitGridToBuffer() = 0;

    // Shows the fuse-bit or lock-bit dialog, not modally, with its "Записать" button enabled
    // only when writable.
    virtual void showBitDialog(link::BitKind dialog, bool writable) = 0;

    // A modal warning with a single OK button. The conversation goes on while it is open, so
    // the link's state (its queue, sizes, command list) may differ when it returns.
    virtual void showSizeWarning(std::string_view utf8) = 0;

    // LoadFile: loads the working file into ProgramBuffer with the program's loading rules,
    // showing whatever the load itself shows, and says how it went.
    virtual image::LoadOutcome reloadWorkingFile() = 0;
};

}  // namespace kelvan::operations
