#include "bufferview/HexGridRules.h"

#include <gtest/gtest.h>

namespace kelvan::bufferview {
namespace {

TEST(HexGridRules, HexTextToValueReadsDigitsOfEitherCaseAndBlanksAsZero) {
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"", 0},    {"ff", 255}, {"FF", 255}, {"a", 10},
        {"1a", 26}, {" 5", 5},   {"  ", 0},   {"123", 0x123},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(HexTextToValue(text), value) << '"' << text << '"';
    }
}

TEST(HexGridRules, PrintableCharacterShowsWindows1251OrADot) {
    const std::pair<std::uint8_t, char16_t> cases[] = {
        {0x41, u'A'}, {0xC0, u'А'}, {0xFF, u'я'}, {0xA8, u'Ё'}, {0xB9, u'№'}, {0x88, u'€'},
        {0x20, u' '}, {0x7E, u'~'}, {0x2E, u'.'}, {0x00, u'.'}, {0x0A, u'.'}, {0x1F, u'.'},
        {0x7F, u'.'}, {0x98, u'.'}, {0xA0, u'.'}, {0xAD, u'.'}, {0x85, u'…'},
    };
    for (const auto& [byte, character] : cases) {
        EXPECT_EQ(PrintableCharacter(byte), character) << int{byte};
    }
}

TEST(HexGridRules, GridRowCountCountsTheHeaderAndStartedRows) {
    // A blank data row stays under a buffer shorter than 16 bytes.
    const std::pair<std::size_t, std::size_t> cases[] = {
        {0, 2}, {1, 3}, {15, 3}, {16, 2}, {17, 3}, {33, 4}, {1000, 64}, {524287, 32769},
    };
    for (const auto& [length, rows] : cases) {
        EXPECT_EQ(GridRowCount(length), rows) << length;
    }
}

}  // namespace
}  // namespace kelvan::bufferview
