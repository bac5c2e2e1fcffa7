#include "link/CommandList.h"

#include <algorithm>

#include "link/Commands.h"

namespace kelvan::link {

void CommandList::rebuild(std::uint32_t mask, LinkView& view) {
    view.clearCommandList();
    count_ = 0;
    for (std::uint8_t code = 0; code < map_.size(); ++code) {
        if ((mask >> code & 1u) != 0) {
            view.appendCommand(CommandNameTable[code]);
            map_[static_cast<std::size_t>(count_++)] = code;
        }
    }
}

void CommandList::clear(LinkView& view) {
    view.clearCommandList();
    count_ = 0;
}

std::optional<int> CommandList::lineOf(std::uint8_t code) const {
    const auto end = map_.begin() + count_;
    const auto line = std::find(map_.begin(), end, code);
    if (line == end) {
        return std::nullopt;
    }
    return static_cast<int>(line - map_.begin());
}

}  // namespace kelvan::link
