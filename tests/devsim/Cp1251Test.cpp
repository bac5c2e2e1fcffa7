#include "devsim/Cp1251.h"

#include <gtest/gtest.h>

namespace kelvan::devsim {
namespace {

std::string bytes(std::initializer_list<unsigned> values) {
    std::string text;
    for (const unsigned value : values) {
        text.push_back(static_cast<char>(value));
    }
    return text;
}

TEST(Cp1251, MapsAsciiAndTheCyrillicRange) {
    EXPECT_EQ(utf8ToCp1251("KV-1 (v1.0)"), "KV-1 (v1.0)");
    EXPECT_EQ(utf8ToCp1251("АЯая"), bytes({0xC0, 0xDF, 0xE0, 0xFF}));
    EXPECT_EQ(utf8ToCp1251("Ёё№"), bytes({0xA8, 0xB8, 0xB9}));
    EXPECT_EQ(utf8ToCp1251("Кристалл-М64"),
              bytes({0xCA, 0xF0, 0xE8, 0xF1, 0xF2, 0xE0, 0xEB, 0xEB, 0x2D, 0xCC, 0x36, 0x34}));
    EXPECT_EQ(utf8ToCp1251("«а—б»"), bytes({0xAB, 0xE0, 0x97, 0xE1, 0xBB}));
    EXPECT_EQ(utf8ToCp1251(""), "");
}

TEST(Cp1251, ReplacesWhatTheCodePageLacksOneMarkPerCharacter) {
    EXPECT_EQ(utf8ToCp1251("a€b"), "a?b");           // three-byte sequence
    EXPECT_EQ(utf8ToCp1251("ѣ"), "?");               // Cyrillic outside the mapped range
    EXPECT_EQ(utf8ToCp1251("x\U0001F600y"), "x?y");  // four-byte sequence
}

TEST(Cp1251, MalformedUtf8BecomesMarksWithoutSwallowingGoodText) {
    EXPECT_EQ(utf8ToCp1251(bytes({0x80, 'a'})), "?a");   // stray continuation
    EXPECT_EQ(utf8ToCp1251(bytes({0xD0})), "?");         // cut at the end
    EXPECT_EQ(utf8ToCp1251(bytes({0xD0, 'a'})), "?a");   // continuation missing
    EXPECT_EQ(utf8ToCp1251(bytes({0xC0, 0x80})), "??");  // overlong NUL
    EXPECT_EQ(utf8ToCp1251(bytes({0xFF, 0xD0, 0x90})), bytes({'?', 0xC0}));
}

}  // namespace
}  // namespace kelvan::devsim
