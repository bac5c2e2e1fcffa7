#pragma once

// Go-to and find in the hex grid as plain routines over the buffer's bytes, free of widgets:
// what an address or a pattern typed by the user means, and where the next match lies.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace kelvan::bufferview {

// An address typed in hexadecimal: digits of either case, "0x" in front allowed, blanks around
// ignored. Nothing for an empty text, any other character, or a number beyond size_t.
std::optional<std::size_t> ParseHexAddress(std::u16string_view typed);

// What a typed find pattern looks for.
struct SearchPattern {
    enum class Kind {
        Bytes,        // bytes typed in hexadecimal
        Text,         // a text, looked for as its Windows-1251 bytes
        Empty,        // nothing but blanks, or "" : nothing to look for
        Unencodable,  // a text with a character that Windows-1251 has no byte for
    };
    Kind kind = Kind::Empty;
    std::vector<std::uint8_t> bytes;  // for Bytes and Text
    char16_t unencodable = 0;         // for Unencodable: the first such character
};

// Runs of hexadecimal digit pairs apart by blanks ("DE AD BE EF", "deadbeef", "DEAD BEEF") are
// those bytes. A text between double quotes is that text (so "BEEF" in quotes is four
// letters); any other input is a text as typed. Blanks around the input are dropped.
SearchPattern ParseSearchPattern(std::u16string_view typed);

// The first address at or after `from` where `pattern` starts and lies wholly inside `data`.
// Nothing when there is none, the pattern is empty or `from` lies at or past the end.
std::optional<std::size_t> FindBytes(std::span<const std::uint8_t> data,
                                     std::span<const std::uint8_t> pattern, std::size_t from);

}  // namespace kelvan::bufferview
