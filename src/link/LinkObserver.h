#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "link/LinkPorts.h"

namespace kelvan::link {

// What a received frame was to the link.
enum class ReceivedFrame {
    Ready,       // a ready signal: the head went out, if there was one
    StaleReady,  // a ready read before the head last went out: nothing was sent
    CrossingReady,  // a ready sent before the programmer could have had the head: nothing sent
    Answer,      // a reply that answered the head and was acted on
    Unmatched,   // a reply that answered nothing queued, or was too short: dropped
};

// Watches the frames crossing the line (a wire trace, a tool following its run). Called on the
// main thread from inside the link: a received frame after its effects, a sent frame after the
// hand-off. It may queue commands, which a ready behind the frame in the same block then sends;
// it must not touch the link otherwise.
class LinkObserver {
  public:
    virtual ~LinkObserver() = default;

    // A frame found by the parser; payload is empty for a ready signal. at: when the serial
    // receive thread read the block that completed it.
    virtual void frameReceived(std::span<const std::uint8_t> payload, ReceivedFrame kind,
                               LinkTime at) = 0;
    // The head went out; resend: the same entry went out before and is still unanswered.
    virtual void frameSent(std::span<const std::uint8_t> payload, bool resend, LinkTime at) = 0;
    // The eighth send without an answer cleared the queue; warning is what the user is shown.
    virtual void retryLimitReached(std::string_view warning, LinkTime at) = 0;
};

}  // namespace kelvan::link
