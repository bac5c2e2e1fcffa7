#pragma once

#include "serial/TComm32.h"

#include <array>
#include <optional>

namespace kelvan::session {

// One item of the settings dialog's "Девятый бит" list and the parity it sets on the port.
// "Чет" gives odd and "Нечет" even parity, "0" space and "1" mark parity. Stored "Parity" indexes
// depend on this pairing, so it must not be "corrected".
struct NinthBitMode {
    const char* caption = nullptr;  // UTF-8
    serial::TParity parity;
};

inline constexpr std::array<NinthBitMode, 5> NinthBitModes{{
    {"Нет", serial::TParity::pNone},
    {"Чет", serial::TParity::pOdd},
    {"Нечет", serial::TParity::pEven},
    {"0", serial::TParity::pSpace},
    {"1", serial::TParity::pMark},
}};

// The parity for a selected item index; nothing for -1 or any index outside the list, in which
// case the port keeps the parity it has.
std::optional<serial::TParity> ninthBitParity(int index);

}  // namespace kelvan::session
