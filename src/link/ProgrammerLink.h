#pragma once

// Facade of the programmer link: the receive parser, the command queue with its retry limit,
// the watchdog expiry and the reply dispatcher, over one set of link state. The main window
// owns one instance and forwards Comm321ReceiveData, Timer2's expiry and the user's commands, e.g.
// link.enqueue(commands::selectChip(index)).

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "image/ProgramBuffer.h"
#include "link/CommandList.h"
#include "link/CommandQueue.h"
#include "link/CommandSender.h"
#include "link/Commands.h"
#include "link/FrameParser.h"
#include "link/InterruptedOperation.h"
#include "link/LinkFrame.h"
#include "link/LinkObserver.h"
#include "link/LinkPorts.h"
#include "link/ReplyDispatcher.h"

namespace kelvan::link {

// The window's caption while no programmer answers: before the first title, and from the
// watchdog's expiry on.
inline constexpr std::string_view DisconnectedCaption = "Программатор не подключен";

class ProgrammerLink : private FrameHandler {
  public:
    // clock: what the hand-offs to sink are stamped with; it must be the clock that stamps
    // the received blocks.
    ProgrammerLink(ByteSink& sink, WatchdogTimer& watchdog, LinkView& view, ProgramBuffer& buffer,
                   const LinkClock& clock = steadyLinkClock());
    ProgrammerLink(const ProgrammerLink&) = delete;
    ProgrammerLink& operator=(const ProgrammerLink&) = delete;

    // Comm321ReceiveData: append a received block to the 300-byte ReceiveBuffer and run the
    // parser. A block longer than 300 bytes is fed in pieces with a pass after each.
    // receivedAt: when the serial receive thread read the block. A ready signal read before
    // the head was last sent is stale and sends nothing (it still restarts the watchdog).
    // May re-enter itself and watchdogExpired through LinkView::showWarning.
    void receiveData(std::span<const std::uint8_t> block, LinkTime receivedAt);

    // Timer2's expiry: the link watchdog ran out. Shows the disconnected caption, clears the queue,
    // the lock-bit dialog and both lists, and queues the title request. When the queue held an
    // operation (interruptionOf), LinkView::operationInterrupted says what was cut short.
    void watchdogExpired();
    // The serial component's OnRequestHangup: a thread of the port ended on an error, so no
    // answer can come. Does at once what the watchdog's expiry does.
    void portHungUp();

    // CommandQueue operations. A zero-length payload queues nothing; one longer than 255
    // bytes throws std::length_error. Once the programmer has answered the command, a
    // non-empty statusWhenAnswered becomes the status text: how an operation reports success
    // only when it has really completed.
    void enqueue(std::span<const std::uint8_t> payload, std::string_view statusWhenAnswered = {});
    void clearQueue();
    // Drops every queued command but one that has gone out and awaits its answer, which may
    // still complete; true when such a command remains. How an interrupted run stops without
    // leaving a command half done.
    bool stopAfterCommandInFlight();
    // The user cancels: as stopAfterCommandInFlight, and the command in flight shows no
    // success text when it is answered. When an operation was queued, the status line turns
    // red with cancelledText(operation, …). Returns what was cut short, judged before.
    Interruption cancelQueued(std::string_view operation);
    std::size_t queueLength() const;
    // What losing the programmer now would cut short (interruptionOf the queue).
    Interruption queuedOperation() const { return interruptionOf(queue_); }
    // CommandQueue::clearCount: how often the queue was cleared, for whatever reason.
    std::uint64_t queueClearCount() const { return queue_.clearCount(); }
    const CommandQueue& queue() const { return queue_; }

    // What the replies reported for the selected chip.
    std::uint32_t programMemorySize() const;
    std::uint32_t eepromSize() const;
    // CommandCode of each line of the command list; commandCount() lines are meaningful.
    const std::array<std::uint8_t, 32>& commandMap() const;
    int commandCount() const;
    bool commandOffered(std::uint8_t code) const;
    // The line of the command list that runs code, or nothing when the chip offers none.
    std::optional<int> lineOfCommand(std::uint8_t code) const;
    int lockBitCount() const;
    int fuseBitCount() const;
    int aboutLineCount() const;
    int retryCounter() const;

    // The receive state, for diagnostics and tests.
    const FrameParser& parser() const { return parser_; }

    // Told of every frame in both directions and of the retry limit (a wire trace); null, the
    // default, costs one test per frame.
    void setObserver(LinkObserver* observer);

  private:
    void programmerLost();
    bool readySends() const override;
    void emptyFrame() override;
    ReceivedFrame readyKind() const;
    void replyFrame(std::span<const std::uint8_t> payload) override;
    // Dispatches reply when it answers the head and removes the head; false when it does not.
    bool answerHead(ReplyBytes reply);

    WatchdogTimer& watchdog_;
    LinkView& view_;
    CommandQueue queue_;
    CommandSender sender_;
    DeviceTables tables_;
    ReplyDispatcher dispatcher_;
    FrameParser parser_;
    // The stamp of the block the parser is working through.
    LinkTime blockReceivedAt_{};
    LinkObserver* observer_ = nullptr;
};

}  // namespace kelvan::link
