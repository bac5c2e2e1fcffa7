#include "devsim/DeviceFrameReader.h"

#include <algorithm>

#include "link/LinkFrame.h"

namespace kelvan::devsim {

using link::FrameHeaderSize;
using link::FrameSync;

void DeviceFrameReader::reset() {
    held_.clear();
    start_ = 0;
}

void DeviceFrameReader::skipOne() {
    ++start_;
    ++bytesSkipped_;
}

std::vector<DeviceFrameReader::Frame> DeviceFrameReader::feed(std::span<const std::uint8_t> bytes) {
    held_.insert(held_.end(), bytes.begin(), bytes.end());
    std::vector<Frame> frames;
    for (;;) {
        const std::span<const std::uint8_t> rest = std::span(held_).subspan(start_);
        // A sync word may still be completed by bytes to come: keep a matching prefix.
        const std::size_t syncBytes = std::min(rest.size(), FrameSync.size());
        if (!std::equal(rest.begin(), rest.begin() + static_cast<std::ptrdiff_t>(syncBytes),
                        FrameSync.begin())) {
            skipOne();
            continue;
        }
        if (rest.size() < FrameHeaderSize) {
            break;
        }
        if (link::sum8(rest.first(5)) != rest[5]) {
            ++framesDropped_;
            skipOne();
            continue;
        }
        const std::size_t length = rest[4];
        if (length == 0) {
            frames.push_back(Frame{});
            start_ += FrameHeaderSize;
            continue;
        }
        if (rest.size() < FrameHeaderSize + length + 1) {
            break;
        }
        const std::span<const std::uint8_t> payload = rest.subspan(FrameHeaderSize, length);
        if (link::sum8(payload) != rest[FrameHeaderSize + length]) {
            ++framesDropped_;
            skipOne();
            continue;
        }
        frames.push_back(Frame{{payload.begin(), payload.end()}});
        start_ += FrameHeaderSize + length + 1;
    }
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(start_));
    start_ = 0;
    return frames;
}

}  // namespace kelvan::devsim
