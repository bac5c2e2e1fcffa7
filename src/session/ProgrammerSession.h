#pragma once

// The programmer as the window and kelvan-cli both hold it: the buffer, the serial component
// with its notifications on the event loop, the watchdog timer, the link and the command
// list's sequences, wired once. The owner supplies the screen the link reports to and, for
// the sequences, the options and the operation host; it routes user input here.

#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "image/ProgramBuffer.h"
#include "link/LinkPorts.h"
#include "link/ProgrammerLink.h"
#include "operations/CommandSequences.h"
#include "operations/ProgrammerLinkAccess.h"
#include "serial/TComm32.h"
#include "session/CommEventPump.h"
#include "session/CommSink.h"
#include "session/TimerWatchdog.h"

namespace kelvan::session {

// The port values as "ComPort", "Bitrate" and "Parity" store them.
struct PortSettings {
    std::string port;
    std::uint32_t bitRate = 0;
    int parity = -1;  // an item of the ninth-bit list; -1 (none) leaves the port's parity alone
    bool operator==(const PortSettings&) const = default;
};

class ProgrammerSession {
  public:
    // `screen` receives everything the link reports; it must outlive the session. The port
    // runs on the platform's backend, or on `backend` when one is given (tests observe or fail
    // its steps through one).
    explicit ProgrammerSession(link::LinkView& screen,
                               std::unique_ptr<serial::PortBackend> backend = nullptr);
    ~ProgrammerSession();
    ProgrammerSession(const ProgrammerSession&) = delete;
    ProgrammerSession& operator=(const ProgrammerSession&) = delete;

    // Builds the command list's sequences. Until then chooseCommand does nothing.
    void attachOperations(const operations::OptionSource& options,
                          operations::OperationHost& host);

    ProgramBuffer& buffer() { return buffer_; }
    link::ProgrammerLink& link() { return link_; }
    serial::TComm32& comm() { return comm_; }
    // The watchdog's timer (the window's Timer2): 5 s, repeating, stopped until started.
    QTimer& watchdogTimer() { return watchdogTimer_; }
    operations::ProgrammerLinkAccess& access() { return access_; }

    // Called after the link has handled received bytes, a hang-up or the watchdog's expiry,
    // for an owner that moves on when the link's state changes.
    std::function<void()> afterLinkEvent;
    // Called while the port is down with the reason of the latest failed attempt, each time the
    // reason changes, and with "" once the port is open again.
    std::function<void(const QString& failure)> portStateChanged;

    // Whether a port that hung up or failed to open is tried again every ReopenInterval with
    // the configured settings. Off until set.
    void setReopening(bool enabled) { reopening_ = enabled; }
    // The port hung up or could not be opened, and is not open again yet.
    bool portDown() const { return portDown_; }
    // The interval between two attempts to open a port that is down.
    static constexpr int ReopenIntervalMs = 1000;

    // Received bytes to the link: the component's OnReceiveData, unless the owner routes
    // them through a handler of its own.
    void receiveData(std::span<const std::uint8_t> bytes, serial::ReceiveTime receivedAt);

    // Hands the port values to the component without opening anything: the name, the bit
    // rate, the ninth bit when one is chosen, no flow control and no event character.
    void configurePort(const PortSettings& settings);
    // Opens the configured port and raises RTS and drops DTR. Empty when the port is open;
    // otherwise the component's text for the failure: the port stays closed and, with
    // reopening on, is tried again every ReopenInterval.
    QString openPort();
    // Port values the user saved. While the port is down they are configured at once, for the
    // next attempt. While it is open nothing changes; true when they differ from the port's,
    // so that the owner may offer reconnect().
    bool portSettingsSaved(const PortSettings& settings);
    // Drops the lines, closes the port as a hang-up would (an operation under way is reported
    // interrupted), opens it with `settings` and starts the conversation over; a failed open is
    // reported and, with reopening on, tried again.
    void reconnect(const PortSettings& settings);
    // Drops RTS and DTR, as the programmer expects before the port goes away. A port that
    // never opened, or one without modem lines, refuses both; nothing else is to be done.
    void dropLines();

    // The two requests that start the conversation: end of sequence and the title.
    void startConversation();
    // Choosing chip `index` of the chip list (-1: none).
    void chooseChip(int index);
    // Choosing a line of the command list for the chosen chip.
    void chooseCommand(int chipRow, int commandRow);
    // The user cancels the operation under way: the command in flight may finish, nothing
    // behind it goes out, and the status line names the command that was cut short.
    void cancelOperation();
    // The bit dialog's "Записать": every fuse bit with its state, or every set lock bit.
    void writeBits(link::BitKind kind, const std::vector<bool>& states);

  private:
    void linkEvent();
    void portHungUp();
    // One attempt to open the port while it is down.
    void reopen();
    void portFailed(const QString& failure);

    ProgramBuffer buffer_;
    CommEventPump pump_;
    serial::TComm32 comm_;
    CommSink sink_{comm_};
    QTimer watchdogTimer_;
    TimerWatchdog watchdog_{watchdogTimer_};
    link::ProgrammerLink link_;
    operations::ProgrammerLinkAccess access_{link_};
    std::unique_ptr<operations::CommandSequences> sequences_;
    PortSettings configured_;
    std::string lastCommand_;  // the caption of the command list line chosen last
    QTimer reopenTimer_;
    bool reopening_ = false;
    bool portDown_ = false;
    QString lastFailure_;
};

}  // namespace kelvan::session
