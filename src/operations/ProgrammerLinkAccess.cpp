#include "operations/ProgrammerLinkAccess.h"

namespace kelvan::operations {

std::optional<std::uint8_t> ProgrammerLinkAccess::commandOfLine(int line) const {
    if (line < 0 || line >= link_.commandCount()) {
        return std::nullopt;
    }
    return link_.commandMap()[static_cast<std::size_t>(line)];
}

}  // namespace kelvan::operations
