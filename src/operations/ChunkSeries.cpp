#include "operations/ChunkSeries.h"

#include <algorithm>

#include "link/Commands.h"

namespace kelvan::operations {

std::vector<Chunk> chunkSeries(std::uint32_t extent) {
    constexpr std::uint32_t Size = link::ChunkSize;
    std::vector<Chunk> chunks;
    chunks.reserve(extent / Size + 1);
    // address + count never passes extent, so the address cannot overflow.
    for (std::uint32_t address = 0; address < extent;) {
        const std::uint32_t count = std::min(Size, extent - address);
        chunks.push_back(Chunk{address, static_cast<std::uint8_t>(count)});
        address += count;
    }
    return chunks;
}

std::vector<link::Bytes> readChunks(ReadCommand command, std::uint32_t extent) {
    std::vector<link::Bytes> payloads;
    for (const Chunk& chunk : chunkSeries(extent)) {
        payloads.push_back(command(chunk.address, chunk.count));
    }
    return payloads;
}

std::vector<link::Bytes> dataChunks(DataCommand command, std::span<const std::uint8_t> image,
                                    std::uint32_t extent) {
    std::vector<link::Bytes> payloads;
    for (const Chunk& chunk : chunkSeries(extent)) {
        payloads.push_back(command(chunk.address, image.subspan(chunk.address, chunk.count)));
    }
    return payloads;
}

}  // namespace kelvan::operations
