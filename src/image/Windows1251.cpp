#include "image/Windows1251.h"

#include <array>

namespace kelvan {
namespace {

constexpr char16_t Unassigned = 0xFFFD;  // where the table has no character

// Bytes 80 to BF hex. Below them the code page is ASCII; from C0 to FF it runs through the
// Cyrillic capitals and small letters in Unicode order.
constexpr std::array<char16_t, 64> UpperHalfTable = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

constexpr char16_t FirstCyrillicLetter = 0x0410;  // А, at C0
constexpr char16_t LastCyrillicLetter = 0x044F;   // я, at FF

}  // namespace

char16_t windows1251ToUnicode(std::uint8_t byte) {
    if (byte < 0x80) {
        return byte;
    }
    if (byte >= 0xC0) {
        return static_cast<char16_t>(FirstCyrillicLetter + (byte - 0xC0));
    }
    return UpperHalfTable[byte - 0x80];
}

std::optional<std::uint8_t> unicodeToWindows1251(char16_t character) {
    if (character < 0x80) {
        return static_cast<std::uint8_t>(character);
    }
    if (character >= FirstCyrillicLetter && character <= LastCyrillicLetter) {
        return static_cast<std::uint8_t>(0xC0 + (character - FirstCyrillicLetter));
    }
    if (character == Unassigned) {
        return std::nullopt;
    }
    for (std::size_t index = 0; index < UpperHalfTable.size(); ++index) {
        if (UpperHalfTable[index] == character) {
            return static_cast<std::uint8_t>(0x80 + index);
        }
    }
    return std::nullopt;
}

}  // namespace kelvan
