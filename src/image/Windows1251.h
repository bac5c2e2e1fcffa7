#pragma once

// The Windows-1251 code page, one character at a time: the programmer's texts and the bytes of
// a chip image read as text. The table is the project's own, so every platform decodes alike
// (Qt's codec for this code page needs ICU, which not every Qt build carries).

#include <cstdint>
#include <optional>

namespace kelvan {

// The character a byte stands for. The one unassigned byte, 98 hex, gives U+FFFD.
char16_t windows1251ToUnicode(std::uint8_t byte);

// The byte that stands for `character`, or nothing when the code page has none for it.
std::optional<std::uint8_t> unicodeToWindows1251(char16_t character);

}  // namespace kelvan
