#include "operations/BitWrites.h"

#include "link/Commands.h"

namespace kelvan::operations {

std::optional<link::Bytes> bitWriteCommand(link::BitKind dialog, std::uint8_t index, bool set) {
    if (dialog == link::BitKind::Fuse) {
        return link::commands::writeFuseBit(index, set);
    }
    if (!set) {
        return std::nullopt;
    }
    return link::commands::writeLockBit(index);
}

}  // namespace kelvan::operations
