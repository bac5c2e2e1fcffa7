#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "link/LinkPorts.h"

namespace kelvan::link {

// The command list ListBox2 as the link knows it: CommandMap[k] is the CommandCode of line k;
// only the first count() entries are meaningful.
class CommandList {
  public:
    // Empties ListBox2 and lists CommandNameTable[i] for every set bit i of mask, ascending.
    void rebuild(std::uint32_t mask, LinkView& view);
    // Empties ListBox2; the map keeps its old values, which no longer count.
    void clear(LinkView& view);

    // The first line that runs code, or nothing when no line does.
    std::optional<int> lineOf(std::uint8_t code) const;
    bool offered(std::uint8_t code) const { return lineOf(code).has_value(); }
    const std::array<std::uint8_t, 32>& map() const { return map_; }
    int count() const { return count_; }

  private:
    std::array<std::uint8_t, 32> map_{};
    int count_ = 0;
};

// What the programmer reported about itself and the selected chip, as the host holds it. The
// counts are the ones the link gave to the dialogs, so replies can be checked against them.
struct DeviceTables {
    std::uint32_t programMemorySize = 0;
    std::uint32_t eepromSize = 0;
    int lockBitCount = 0;
    int fuseBitCount = 0;
    int aboutLineCount = 0;
    CommandList commands;

    int bitCount(BitKind dialog) const {
        return dialog == BitKind::Lock ? lockBitCount : fuseBitCount;
    }
    int& bitCount(BitKind dialog) {
        return dialog == BitKind::Lock ? lockBitCount : fuseBitCount;
    }
};

}  // namespace kelvan::link
