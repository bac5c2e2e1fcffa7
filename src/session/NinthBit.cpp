#include "session/NinthBit.h"

namespace kelvan::session {

std::optional<serial::TParity> ninthBitParity(int index) {
    if (index < 0 || index >= static_cast<int>(NinthBitModes.size())) {
        return std::nullopt;
    }
    return NinthBitModes[static_cast<std::size_t>(index)].parity;
}

}  // namespace kelvan::session
