#include "image/ProgramBuffer.h"

#include <algorithm>

namespace kelvan {

bool ProgramBuffer::writeAt(std::uint32_t address, std::span<const std::uint8_t> data) {
    if (address > bytes_.size() || data.size() > bytes_.size() - address) {
        return false;
    }
    std::copy(data.begin(), data.end(), bytes_.begin() + address);
    return true;
}

std::span<const std::uint8_t> ProgramBuffer::view(std::size_t address, std::size_t count) const {
    if (address >= bytes_.size()) {
        return {};
    }
    return std::span<const std::uint8_t>(bytes_).subspan(address,
                                                         std::min(count, bytes_.size() - address));
}

}  // namespace kelvan
