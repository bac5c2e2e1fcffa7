#include "link/HexBytes.h"

namespace kelvan::link {

void appendSpacedHex(std::string& text, std::span<const std::uint8_t> bytes) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    text.reserve(text.size() + 3 * bytes.size());
    for (const std::uint8_t byte : bytes) {
        text += ' ';
        text += Digits[byte >> 4];
        text += Digits[byte & 0x0F];
    }
}

}  // namespace kelvan::link
