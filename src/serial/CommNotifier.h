#pragma once

// What the worker threads of the serial component tell the main thread, and the one interface
// they tell it through.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kelvan::serial {

// Line events: the values of the Win32 EV_ bits of a line-event mask (EV_CTS is EventCts).
// Our own names, since <windows.h> defines the Win32 ones as macros.
inline constexpr std::uint32_t EventRxFlag = 0x0002;
inline constexpr std::uint32_t EventTxEmpty = 0x0004;
inline constexpr std::uint32_t EventCts = 0x0008;
inline constexpr std::uint32_t EventDsr = 0x0010;
inline constexpr std::uint32_t EventRlsd = 0x0020;
inline constexpr std::uint32_t EventBreak = 0x0040;
inline constexpr std::uint32_t EventErr = 0x0080;
inline constexpr std::uint32_t EventRing = 0x0100;
inline constexpr std::uint32_t EventPerr = 0x0200;
inline constexpr std::uint32_t EventRx80Full = 0x0400;
// All of the above. EV_RXCHAR (0x0001) is not watched: received bytes come from the reads.
inline constexpr std::uint32_t WatchedLineEvents = EventRxFlag | EventTxEmpty | EventCts |
                                                   EventDsr | EventRlsd | EventBreak | EventErr |
                                                   EventRing | EventPerr | EventRx80Full;

// Modem status: the values of the Win32 MS_ bits, carried in the high half of an event message.
inline constexpr std::uint32_t ModemCtsOn = 0x10;
inline constexpr std::uint32_t ModemDsrOn = 0x20;
inline constexpr std::uint32_t ModemRingOn = 0x40;
inline constexpr std::uint32_t ModemRlsdOn = 0x80;

// Escape codes of TComm32::EscapeFunction: the values of Win32 SETXOFF ... CLRBREAK.
inline constexpr int EscapeSetXoff = 1;
inline constexpr int EscapeSetXon = 2;
inline constexpr int EscapeSetRts = 3;
inline constexpr int EscapeClrRts = 4;
inline constexpr int EscapeSetDtr = 5;
inline constexpr int EscapeClrDtr = 6;
inline constexpr int EscapeSetBreak = 8;
inline constexpr int EscapeClrBreak = 9;

// The largest block one RxData message carries: the 4096-byte delivery buffer less the zero
// byte that follows the data.
inline constexpr std::size_t MaxDeliveredBlock = 4095;

// When the receive thread read a block. The link compares it with the moments it sends, so
// both use steady_clock.
using ReceiveTime = std::chrono::steady_clock::time_point;

// One notification from a worker thread to the main thread.
struct CommMessage {
    enum class Kind { RxData, Hangup, Started, Event };
    Kind kind;
    std::uint32_t wParam = 0;           // Started: 0 receive, 1 transmit thread;
                                        // Event: the line-error flags (CE_ bits) when posted
    std::uint32_t lParam = 0;           // Event: low 16 bits mask, high 16 bits modem status
    std::vector<std::uint8_t> block{};  // RxData: the received bytes (at most 4095)
    // RxData: when the bytes were read. A message built without one counts as read when it
    // was built, never as long ago, which would make the link take its readies as stale.
    ReceiveTime receivedAt = std::chrono::steady_clock::now();
};

// The "notification window": worker threads post to it; its owner hands every message back to
// TComm32::handleMessage on the main thread, in posting order. The application implements it
// with Qt's event loop, tests with a queue they drain.
class CommNotifier {
  public:
    virtual ~CommNotifier() = default;
    virtual void post(CommMessage message) = 0;  // called from any thread
};

// Posts `bytes` as RxData messages of at most MaxDeliveredBlock bytes each, in order, all
// stamped receivedAt. Posts nothing for an empty span. Called by the receive thread as soon as
// a read returns, the default stamp is the moment the bytes were read.
void postReceived(CommNotifier& notifier, std::span<const std::uint8_t> bytes,
                  ReceiveTime receivedAt = std::chrono::steady_clock::now());

void postHangup(CommNotifier& notifier);
void postStarted(CommNotifier& notifier, std::uint32_t which);
void postLineEvent(CommNotifier& notifier, std::uint32_t mask, std::uint32_t modemStatus,
                   std::uint32_t errorFlags);

// The EV_ change bits of the modem lines that differ between two MS_ status words; with
// `before` 0, the change bits of the lines that are on.
std::uint32_t changedModemLines(std::uint32_t before, std::uint32_t after);

}  // namespace kelvan::serial
