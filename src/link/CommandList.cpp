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

bool CommandList::offered(std::uint8_t code) const {
    return std::find(map_.begin(), map_.begin() + count_, code) != map_.begin() + count_;
}

}  // namespace kelvan::link
