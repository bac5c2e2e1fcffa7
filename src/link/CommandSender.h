#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

#include "link/CommandQueue.h"
#include "link/LinkFrame.h"
#include "link/LinkObserver.h"
#include "link/LinkPorts.h"

namespace kelvan::link {

// Sending the head and counting the sends without an answer: sends the queue head on every ready signal and gives up, with
// a warning, after the eighth send without a dispatched reply.
class CommandSender {
  public:
    static constexpr int RetryLimit = 7;  // more sends than this without a reply: give up
    // What a round trip needs beyond the bytes on the line: the programmer's turnaround and the
    // receive side's delivery of the reply.
    static constexpr std::chrono::milliseconds TurnaroundMargin{5};

    CommandSender(CommandQueue& queue, ByteSink& sink, LinkView& view, const LinkClock& clock)
        : queue_(queue), sink_(sink), view_(view), clock_(clock) {}

    // Frames and sends the head (nothing, and no count, when the queue is empty), noting the
    // moment of the hand-off. On the eighth send since the last dispatched reply: clears the
    // queue, resets the counter, closes the progress window and shows the modal warning,
    // which may re-enter the link.
    void sendHead();

    // When a head was last handed to the sink; the clock's earliest time before the first.
    LinkTime lastSentAt() const { return lastSentAt_; }

    // The earliest moment a ready can follow the last head once the programmer has had it: that
    // frame and the shortest reply crossing the line at 10 bits a byte, plus TurnaroundMargin.
    // A ready read sooner was sent while the head was still on its way.
    LinkTime earliestReadyAfterHead() const;

    // A reply was dispatched: the count of unanswered sends starts again.
    void replyDispatched() { retryCounter_ = 0; }

    int retryCounter() const { return retryCounter_; }

    // The head has gone out and awaits its answer.
    bool headInFlight() const { return !queue_.empty() && lastSentEntry_ == queue_.headId(); }

    // Told of every send and of the retry limit; null: nobody is.
    void setObserver(LinkObserver* observer) { observer_ = observer; }

  private:
    CommandQueue& queue_;
    ByteSink& sink_;
    LinkView& view_;
    const LinkClock& clock_;
    LinkTime lastSentAt_ = LinkTime::min();
    std::size_t lastSentLength_ = 0;
    std::optional<CommandQueue::EntryId> lastSentEntry_;
    LinkObserver* observer_ = nullptr;
    std::array<std::uint8_t, MaxFrameSize> transmitArea_{};
    std::int32_t retryCounter_ = 0;
};

}  // namespace kelvan::link
