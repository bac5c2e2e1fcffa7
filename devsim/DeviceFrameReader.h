#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kelvan::devsim {

// The programmer's receive side: collects bytes from the line and cuts them into frames.
// A candidate frame starts at a sync word; a wrong header checksum or payload checksum drops
// it and the search resumes one byte further on. Holds at most one frame's worth of bytes
// beyond what it has already judged, so garbage never makes it grow.
class DeviceFrameReader {
  public:
    struct Frame {
        std::vector<std::uint8_t> payload;  // empty for an empty frame
    };

    // Appends bytes and returns every complete, checked frame now found, in order.
    std::vector<Frame> feed(std::span<const std::uint8_t> bytes);

    // Forgets any partial frame (used when the device stops listening for a while).
    void reset();

    std::size_t bytesHeld() const { return held_.size() - start_; }
    // Candidates that began with a sync word but failed a checksum.
    std::size_t framesDropped() const { return framesDropped_; }
    // Bytes skipped while looking for a sync word, dropped candidates' first bytes included.
    std::size_t bytesSkipped() const { return bytesSkipped_; }

  private:
    void skipOne();

    std::vector<std::uint8_t> held_;
    std::size_t start_ = 0;  // first byte not yet judged
    std::size_t framesDropped_ = 0;
    std::size_t bytesSkipped_ = 0;
};

}  // namespace kelvan::devsim
