#pragma once

// Chunk series: how a read, write or verify of a memory region is cut into commands of at most
// ChunkSize bytes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "link/LinkFrame.h"

namespace kelvan::operations {

struct Chunk {
    std::uint32_t address = 0;
    std::uint8_t count = 0;
    bool operator==(const Chunk&) const = default;
};

// Chunk k starts at 224 * k and carries min(224, extent - 224 * k) bytes, for every k with
// 224 * k < extent, in ascending order. An extent of 0 gives no chunk.
std::vector<Chunk> chunkSeries(std::uint32_t extent);

using ReadCommand = link::Bytes (*)(std::uint32_t address, std::uint8_t count);
using DataCommand = link::Bytes (*)(std::uint32_t address, std::span<const std::uint8_t> data);

// One read command per chunk of extent.
std::vector<link::Bytes> readChunks(ReadCommand command, std::uint32_t extent);

// One write or verify command per chunk of the first extent bytes of image, each carrying its
// chunk's bytes. Precondition: extent <= image.size().
std::vector<link::Bytes> dataChunks(DataCommand command, std::span<const std::uint8_t> image,
                                    std::uint32_t extent);

}  // namespace kelvan::operations
