#include "bufferview/HexGridRules.h"

#include <algorithm>

#include "image/Windows1251.h"

namespace kelvan::bufferview {
namespace {

constexpr char UpperDigits[] = "0123456789ABCDEF";

std::uint32_t digitValue(char character) {
    if (character >= '0' && character <= '9') {
        return static_cast<std::uint32_t>(character - '0');
    }
    if (character >= 'A' && character <= 'F') {
        return static_cast<std::uint32_t>(character - 'A' + 10);
    }
    if (character >= 'a' && character <= 'f') {
        return static_cast<std::uint32_t>(character - 'a' + 10);
    }
    return 0;
}

}  // namespace

std::string FormatHexByte(std::uint8_t value) {
    return {UpperDigits[value >> 4], UpperDigits[value & 0x0F]};
}

std::uint32_t HexTextToValue(std::string_view text) {
    std::uint32_t value = 0;
    for (const char character : text) {
        value = (value << 4) | digitValue(character);
    }
    return value;
}

std::string HexNumberText(std::size_t number) {
    std::string text;
    do {
        text.insert(text.begin(), UpperDigits[number & 0x0F]);
        number >>= 4;
    } while (number != 0);
    return text;
}

char16_t PrintableCharacter(std::uint8_t byte) {
    constexpr std::uint8_t Delete = 0x7F, Unassigned = 0x98, NoBreakSpace = 0xA0, SoftHyphen = 0xAD;
    if (byte < 0x20 || byte == Delete || byte == Unassigned || byte == NoBreakSpace ||
        byte == SoftHyphen) {
        return u'.';
    }
    return windows1251ToUnicode(byte);
}

std::size_t GridRowCount(std::size_t length) {
    std::size_t rows = std::max<std::size_t>(2, length / 16 + 1);
    if (length % 16 != 0) {
        ++rows;
    }
    return rows;
}

}  // namespace kelvan::bufferview
