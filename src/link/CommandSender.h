#pragma once

#include <array>
#include <cstdint>

#include "link/CommandQueue.h"
#include "link/LinkFrame.h"
#include "link/LinkPorts.h"

namespace kelvan::link {

// SendHead and the RetryCounter: sends the queue head on every ready signal and gives up, with
// a warning, after the eighth send without a dispatched reply.
class CommandSender {
  public:
    static constexpr int RetryLimit = 7;  // more sends than this without a reply: give up

    CommandSender(CommandQueue& queue, ByteSink& sink, LinkView& view)
        : queue_(queue), sink_(sink), view_(view) {}

    // Frames and sends the head (nothing, and no count, when the queue is empty). On the
    // eighth send since the last dispatched reply: clears the queue, resets the counter,
    // closes the progress window and shows the modal warning, which may re-enter the link.
    void sendHead();

    // A reply was dispatched: the count of unanswered sends starts again.
    void replyDispatched() { retryCounter_ = 0; }

    int retryCounter() const { return retryCounter_; }

  private:
    CommandQueue& queue_;
    ByteSink& sink_;
    LinkView& view_;
    std::array<std::uint8_t, MaxFrameSize> transmitArea_{};
    std::int32_t retryCounter_ = 0;
};

}  // namespace kelvan::link
