#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kelvan::link {

// A text exactly as the programmer sent it: Windows-1251 bytes, no terminator. Only the user
// interface decodes it, when it shows it.
struct DeviceText {
    std::string bytes;
    bool operator==(const DeviceText&) const = default;
};

// Which bits a reply or a dialog is about: the lock bits or the fuse bits.
enum class BitKind { Lock, Fuse };

// Where outgoing frames go: the serial component's SendData. The result is not acted on (a
// refused send still counts as a send; the retry limit catches a dead transmit path).
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual bool sendData(std::span<const std::uint8_t> bytes) = 0;
    // The line's bit rate, which tells how long a frame takes to cross it; 0 when the line has
    // none (a pseudo-terminal, a test), so frames cross at once.
    virtual std::uint32_t bitRate() const { return 0; }
};

// The link watchdog's timer (Timer2 in the main window): restart() disables and re-enables it,
// so a full count starts anew. Its expiry calls ProgrammerLink::watchdogExpired.
class WatchdogTimer {
  public:
    virtual ~WatchdogTimer() = default;
    virtual void restart() = 0;
};

// When a block was received and when a head was handed to the sink, on one clock: the serial
// receive thread stamps its blocks with steady_clock, so the program's link reads the same one.
using LinkTime = std::chrono::steady_clock::time_point;

class LinkClock {
  public:
    virtual ~LinkClock() = default;
    virtual LinkTime now() const = 0;
};

class SteadyLinkClock final : public LinkClock {
  public:
    LinkTime now() const override { return std::chrono::steady_clock::now(); }
};

// The program's clock; it holds no state, so one instance serves every link.
inline const LinkClock& steadyLinkClock() {
    static const SteadyLinkClock clock;
    return clock;
}

// The status bar's single panel, which the link and the command sequences both write to.
class StatusDisplay {
  public:
    virtual ~StatusDisplay() = default;
    virtual void setStatusText(std::string_view utf8) = 0;
    virtual void setStatusErrorColour() = 0;  // colour value 8080FF: red 255, green 128, blue 128
    virtual void resetStatusColour() = 0;     // the window's own colour again
};

// Everything the link does to the screen. The main window implements it; tests record it.
// Device texts arrive undecoded; host texts are UTF-8. Indexes passed here always lie inside
// the counts the link last gave to createBitBoxes / createAboutLabels.
class LinkView : public StatusDisplay {
  public:

    // Main window caption: the programmer's title, or the host's own text when disconnected.
    virtual void setCaption(const DeviceText& title) = 0;
    virtual void setDisconnectedCaption(std::string_view utf8) = 0;

    // ListBox1 (chips) and ListBox2 (commands).
    virtual void clearChipList() = 0;
    virtual void appendChip(const DeviceText& name) = 0;
    virtual void clearCommandList() = 0;
    virtual void appendCommand(std::string_view utf8Caption) = 0;

    // Fuse-bit and lock-bit dialogs.
    virtual void createBitBoxes(BitKind dialog, int count) = 0;
    virtual void clearBitBoxes(BitKind dialog) = 0;
    virtual void setBitCaption(BitKind dialog, int index, const DeviceText& caption) = 0;
    virtual void setBitChecked(BitKind dialog, int index, bool checked) = 0;

    // About dialog lines.
    virtual void createAboutLabels(int count) = 0;
    virtual void setAboutLine(int index, const DeviceText& line) = 0;

    // ProgramBuffer content changed under the grid (a read chunk arrived): FormatGrid.
    virtual void formatGrid() = 0;
    // A verify failed at `address`, which the status line names; the window shows it in the
    // grid. Screens without a grid ignore it.
    virtual void showFailedAddress(std::uint32_t /*address*/) {}

    // Progress window TForm5 "Очередь команд".
    virtual void setProgress(int maximum, int position) = 0;
    virtual void showProgress() = 0;
    virtual void closeProgress() = 0;

    // The programmer was lost while an operation's commands were queued; utf8 says what was
    // cut short. The window shows it as an error status, which stays until the next command.
    virtual void operationInterrupted(std::string_view utf8) {
        setStatusErrorColour();
        setStatusText(utf8);
    }

    // Modal warning box with an OK button. The event loop keeps running while it is open, so
    // received blocks and watchdog expiries may re-enter the link from inside this call.
    virtual void showWarning(std::string_view utf8) = 0;
};

}  // namespace kelvan::link
