#include "buffer/HexGridRules.h"

#include <gtest/gtest.h>

namespace kelvan::buffer {
namespace {

TEST(HexGridRules, FormatHexByteGivesTwoUpperCaseDigits) {
    const struct {
        std::uint8_t value;
        const char* text;
    } cases[] = {{0, "00"}, {10, "0A"}, {15, "0F"}, {16, "10"}, {171, "AB"}, {255, "FF"}};
    for (const auto& c : cases) {
        EXPECT_EQ(FormatHexByte(c.value), c.text) << int{c.value};
    }
}

TEST(HexGridRules, HexTextToValueReadsDigitsOfEitherCase) {
    const struct {
        const char* text;
        std::uint32_t value;
    } cases[] = {
        {"", 0},    {"ff", 255},    {"FF", 255}, {"a", 10},
        {"0A", 10}, {"1a", 26},     {" 5", 5},  // a blank left in front of a typed digit is 0
        {"  ", 0},  {"123", 0x123},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(HexTextToValue(c.text), c.value) << '"' << c.text << '"';
    }
}

TEST(HexGridRules, HexNumberTextHasNoLeadingZeros) {
    EXPECT_EQ(HexNumberText(0), "0");
    EXPECT_EQ(HexNumberText(15), "F");
    EXPECT_EQ(HexNumberText(16), "10");
    EXPECT_EQ(HexNumberText(0x1A), "1A");
    EXPECT_EQ(HexNumberText(0x7FFF), "7FFF");
}

TEST(HexGridRules, GridRowCountCountsTheHeaderAndStartedRows) {
    const struct {
        std::size_t length;
        std::size_t rows;
    } cases[] = {
        {0, 2},          {1, 3},  {5, 3},  {15, 3},  // a blank data row under a short buffer
        {16, 2},         {17, 3}, {32, 3}, {33, 4}, {1000, 64},
        {524287, 32769},  // 32767 full rows and one of 15 bytes
        {524288, 32769},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GridRowCount(c.length), c.rows) << c.length;
    }
}

}  // namespace
}  // namespace kelvan::buffer
