#include "link/LinkFrame.h"

#include <algorithm>
#include <numeric>
#include <stdexcept>

namespace kelvan::link {

std::uint8_t sum8(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint8_t>(
        std::accumulate(bytes.begin(), bytes.end(), 0u,
                        [](unsigned sum, std::uint8_t byte) { return (sum + byte) & 0xFFu; }));
}

std::size_t buildLinkFrame(std::span<const std::uint8_t> payload,
                           std::span<std::uint8_t, MaxFrameSize> out) {
    if (payload.size() > MaxPayloadLength) {
        throw std::length_error("link payload longer than 255 bytes");
    }
    std::copy(FrameSync.begin(), FrameSync.end(), out.begin());
    out[4] = static_cast<std::uint8_t>(payload.size());
    out[5] = sum8(out.first(5));
    if (payload.empty()) {
        return FrameHeaderSize;
    }
    std::copy(payload.begin(), payload.end(), out.begin() + FrameHeaderSize);
    out[FrameHeaderSize + payload.size()] = sum8(payload);
    return FrameHeaderSize + payload.size() + 1;
}

Bytes buildLinkFrame(std::span<const std::uint8_t> payload) {
    std::array<std::uint8_t, MaxFrameSize> frame{};
    const std::size_t length = buildLinkFrame(payload, frame);
    return Bytes(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(length));
}

}  // namespace kelvan::link
