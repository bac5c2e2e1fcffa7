#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace kelvan::devsim {

// One fuse or lock bit as the programmer describes it: a caption (UTF-8 here, Windows-1251 on
// the line) and its state on a fresh chip.
struct BitDescription {
    std::string caption;
    bool set = false;
};

// Everything the simulated programmer knows about one chip it supports.
struct ChipDescription {
    std::string name;  // UTF-8
    std::uint32_t programMemorySize = 0;
    std::uint32_t eepromSize = 0;
    std::uint32_t ramSize = 0;  // the third size, reply 241
    std::vector<std::uint8_t> signature;
    std::vector<std::uint8_t> calibration;
    std::vector<BitDescription> fuseBits;
    std::vector<BitDescription> lockBits;
    std::uint32_t commandMask = 0;  // bit i set: command code i is offered
};

// The programmer's own texts and its chip list, in the order it reports them.
struct Catalogue {
    std::string title;                    // UTF-8
    std::vector<std::string> aboutLines;  // UTF-8
    std::vector<ChipDescription> chips;
};

// Mask with the bit of every listed command code set.
std::uint32_t commandMaskOf(std::initializer_list<int> codes);

// The catalogue kelvan-devsim ships: three invented chips, from a small one without EEPROM to
// one with 64 KiB of program memory.
const Catalogue& standardCatalogue();

}  // namespace kelvan::devsim
