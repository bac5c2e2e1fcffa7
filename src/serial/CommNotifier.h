#pragma once

// What the worker threads of the serial component tell the main thread, and the one interface
// they tell it through.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kelvan::serial {

// Line events (the EV_ bits of a line-event mask).
inline constexpr std::uint32_t EV_RXCHAR = 0x0001;
inline constexpr std::uint32_t EV_RXFLAG = 0x0002;
inline constexpr std::uint32_t EV_TXEMPTY = 0x0004;
inline constexpr std::uint32_t EV_CTS = 0x0008;
inline constexpr std::uint32_t EV_DSR = 0x0010;
inline constexpr std::uint32_t EV_RLSD = 0x0020;
inline constexpr std::uint32_t EV_BREAK = 0x0040;
inline constexpr std::uint32_t EV_ERR = 0x0080;
inline constexpr std::uint32_t EV_RING = 0x0100;
inline constexpr std::uint32_t EV_PERR = 0x0200;
inline constexpr std::uint32_t EV_RX80FULL = 0x0400;
inline constexpr std::uint32_t WatchedLineEvents = 0x07FE;

// Modem status bits (MS_ bits), carried in the high half of an event message.
inline constexpr std::uint32_t MS_CTS_ON = 0x10;
inline constexpr std::uint32_t MS_DSR_ON = 0x20;
inline constexpr std::uint32_t MS_RING_ON = 0x40;
inline constexpr std::uint32_t MS_RLSD_ON = 0x80;

// Escape codes of TComm32::EscapeFunction.
inline constexpr int SETXOFF = 1;
inline constexpr int SETXON = 2;
inline constexpr int SETRTS = 3;
inline constexpr int CLRRTS = 4;
inline constexpr int SETDTR = 5;
inline constexpr int CLRDTR = 6;
inline constexpr int SETBREAK = 8;
inline constexpr int CLRBREAK = 9;

// The largest block one RxData message carries: the 4096-byte delivery buffer less the zero
// byte that follows the data.
inline constexpr std::size_t MaxDeliveredBlock = 4095;

// One notification from a worker thread to the main thread.
struct CommMessage {
    enum class Kind { RxData, Hangup, Started, Event };
    Kind kind;
    std::uint32_t wParam = 0;           // Started: 0 receive, 1 transmit thread;
                                        // Event: the line-error flags (CE_ bits) when posted
    std::uint32_t lParam = 0;           // Event: low 16 bits mask, high 16 bits modem status
    std::vector<std::uint8_t> block{};  // RxData: the received bytes (at most 4095)
};

// The "notification window": worker threads post to it; its owner hands every message back to
// TComm32::handleMessage on the main thread, in posting order. The application implements it
// with Qt's event loop, tests with a queue they drain.
class CommNotifier {
  public:
    virtual ~CommNotifier() = default;
    virtual void post(CommMessage message) = 0;  // called from any thread
};

// Posts `bytes` as RxData messages of at most MaxDeliveredBlock bytes each, in order. Posts
// nothing for an empty span.
void postReceived(CommNotifier& notifier, std::span<const std::uint8_t> bytes);

void postHangup(CommNotifier& notifier);
void postStarted(CommNotifier& notifier, std::uint32_t which);
void postLineEvent(CommNotifier& notifier, std::uint32_t mask, std::uint32_t modemStatus,
                   std::uint32_t errorFlags);

}  // namespace kelvan::serial
