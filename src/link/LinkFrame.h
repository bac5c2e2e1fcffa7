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
// Sync, N, header checksum, 255 payload bytes, payload checksum.
inline constexpr std::size_t MaxFrameSize = FrameHeaderSize + 255 + 1;

// 8-bit sum modulo 256: the only checksum of the link.
std::uint8_t sum8(std::span<const std::uint8_t> bytes);

// Lays out a frame for payload (at most 255 bytes; an empty payload gives the 6-byte empty
// frame) into out, which must hold MaxFrameSize bytes. Returns the frame's length.
std::size_t buildLinkFrame(std::span<const std::uint8_t> payload,
                           std::span<std::uint8_t, MaxFrameSize> out);
Bytes buildLinkFrame(std::span<const std::uint8_t> payload);

}  // namespace kelvan::link
