#include "devsim/Cp1251.h"

#include <cstdint>
#include <optional>

namespace kelvan::devsim {
namespace {

// The code page byte for one Unicode code point, or nothing when the code page lacks it.
std::optional<char> cp1251Byte(std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        return static_cast<char>(codePoint);
    }
    if (codePoint >= 0x0410 && codePoint <= 0x044F) {  // А..я are contiguous in both
        return static_cast<char>(0xC0 + (codePoint - 0x0410));
    }
    switch (codePoint) {
        case 0x0401:
            return static_cast<char>(0xA8);  // Ё
        case 0x0451:
            return static_cast<char>(0xB8);  // ё
        case 0x2116:
            return static_cast<char>(0xB9);  // №
        case 0x00AB:
            return static_cast<char>(0xAB);  // «
        case 0x00BB:
            return static_cast<char>(0xBB);  // »
        case 0x2013:
            return static_cast<char>(0x96);  // en dash
        case 0x2014:
            return static_cast<char>(0x97);  // em dash
        case 0x00A0:
            return static_cast<char>(0xA0);  // no-break space
        default:
            return std::nullopt;
    }
}

}  // namespace

std::string utf8ToCp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<std::uint8_t>(utf8[i]);
        std::size_t length = 0;
        std::uint32_t codePoint = 0;
        if (lead < 0x80) {
            length = 1;
            codePoint = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            codePoint = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            codePoint = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            codePoint = lead & 0x07u;
        }
        bool valid = length != 0 && i + length <= utf8.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            codePoint = (codePoint << 6) | (next & 0x3Fu);
        }
        static constexpr std::uint32_t smallestOfLength[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && codePoint >= smallestOfLength[length];  // overlong forms are malformed
        if (!valid) {
            out.push_back('?');  // resynchronise on the next byte
            ++i;
            continue;
        }
        out.push_back(cp1251Byte(codePoint).value_or('?'));
        i += length;
    }
    return out;
}

}  // namespace kelvan::devsim
