#pragma once

// The hex grid's texts and row count as plain routines, so that the grid widget, its model and
// the tests share one definition of what a cell shows and how many rows a buffer takes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvan::bufferview {

// Two upper-case hexadecimal digits: 10 gives "0A", 171 gives "AB", 255 gives "FF".
std::string FormatHexByte(std::uint8_t value);

// Reads text as a hexadecimal number, the rightmost character least significant. "0"-"9",
// "A"-"F" and "a"-"f" are digits; any other character (the blank a cell editor may leave in
// front of a typed digit) counts as 0, and an empty text reads as 0. Digits beyond the eighth
// from the right fall off the top; the grid keeps only the low 8 bits anyway.
std::uint32_t HexTextToValue(std::string_view text);

// `number` in upper-case hexadecimal without leading zeros: the label of a data row (counted
// from 0) and the digit of a data column, so that the two together spell a byte's address.
std::string HexNumberText(std::size_t number);

// The text column's character for a byte: its Windows-1251 character where that prints, '.'
// for the control codes, DEL, the unassigned 98 and the two that show nothing (the no-break
// space A0 and the soft hyphen AD).
char16_t PrintableCharacter(std::uint8_t byte);

// The grid's row count, the header row included, for a buffer of `length` bytes: one row per
// started 16 bytes, never fewer than one data row, and a blank extra row under a buffer shorter
// than 16 bytes.
std::size_t GridRowCount(std::size_t length);

}  // namespace kelvan::bufferview
