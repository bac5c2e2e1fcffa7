#pragma once

// Choosing a chip in the chip list: which chip index travels with command 249, and the
// requests that bring everything chip-specific from the programmer.

#include <cstdint>
#include <vector>

#include "link/LinkFrame.h"

namespace kelvan::operations {

// The chip index command 249 carries for a list selection: the low 8 bits of the selected
// index, so "no selection" (-1) becomes 255.
std::uint8_t chipIndexByte(int selectedIndex);

// ListBox1Click: the payloads to queue, in order, when the chip at selectedIndex is chosen:
// chip select, command mask, lock-bit count, fuse-bit count, program memory size, EEPROM
// size and the third size.
std::vector<link::Bytes> chipChosenCommands(int selectedIndex);

}  // namespace kelvan::operations
