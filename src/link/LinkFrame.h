#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kelvan::link {

using Bytes = std::vector<std::uint8_t>;

// The four bytes that open every frame on the line, in wire order.
inline constexpr std::array<std::uint8_t, 4> FrameSync{0xD1, 0xE0, 0xEB, 0xEE};
inline constexpr std::size_t FrameHeaderSize = 6;  // sync, N, header checksum
// N travels in one byte.
inline constexpr std::size_t MaxPayloadLength = 255;
// Sync, N, header checksum, the longest payload, payload checksum.
inline constexpr std::size_t MaxFrameSize = FrameHeaderSize + MaxPayloadLength + 1;

// 8-bit sum modulo 256: the only checksum of the link.
std::uint8_t sum8(std::span<const std::uint8_t> bytes);

// Lays out a frame for payload (an empty payload gives the 6-byte empty frame) into out and
// returns the frame's length. A payload longer than MaxPayloadLength throws std::length_error.
std::size_t buildLinkFrame(std::span<const std::uint8_t> payload,
                           std::span<std::uint8_t, MaxFrameSize> out);
Bytes buildLinkFrame(std::span<const std::uint8_t> payload);

}  // namespace kelvan::link
