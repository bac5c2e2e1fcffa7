#include "bufferview/HexGridSearch.h"

#include <gtest/gtest.h>
#include <limits>

namespace kelvan::bufferview {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Kind = SearchPattern::Kind;

TEST(HexGridSearch, ParseHexAddressReadsHexadecimalOnly) {
    const std::pair<const char16_t*, std::optional<std::size_t>> cases[] = {
        {u"1A0", 0x1A0},
        {u"  0x7ffff\t", 0x7FFFF},
        {u"0X10", 0x10},
        {u"000000000000000000001", 1},  // leading zeros do not overflow
        {u"FFFFFFFFFFFFFFFF", std::numeric_limits<std::size_t>::max()},
        {u"10000000000000000", std::nullopt},  // 2^64
        {u"", std::nullopt},
        {u"  ", std::nullopt},
        {u"0x", std::nullopt},
        {u"G1", std::nullopt},
        {u"1 0", std::nullopt},
        {u"-1", std::nullopt},
        {u"1A0h", std::nullopt},
    };
    for (const auto& [typed, address] : cases) {
        EXPECT_EQ(ParseHexAddress(typed), address) << std::u16string_view(typed).size();
    }
}

TEST(HexGridSearch, ParseSearchPatternTellsBytesFromText) {
    const struct {
        const char16_t* typed;
        Kind kind;
        Bytes bytes;
        char16_t unencodable;
    } cases[] = {
        {u"DE AD BE EF", Kind::Bytes, {0xDE, 0xAD, 0xBE, 0xEF}, 0},
        {u"deadbeef", Kind::Bytes, {0xDE, 0xAD, 0xBE, 0xEF}, 0},
        {u" DEAD \tbe EF ", Kind::Bytes, {0xDE, 0xAD, 0xBE, 0xEF}, 0},
        {u"00", Kind::Bytes, {0x00}, 0},
        // An odd run of digits or another character makes it a text, as typed.
        {u"A", Kind::Text, {0x41}, 0},
        {u"DE AD B", Kind::Text, {0x44, 0x45, 0x20, 0x41, 0x44, 0x20, 0x42}, 0},
        {u"0x1F", Kind::Text, {0x30, 0x78, 0x31, 0x46}, 0},
        {u"\"BEEF\"", Kind::Text, {0x42, 0x45, 0x45, 0x46}, 0},
        {u"\" a \"", Kind::Text, {0x20, 0x61, 0x20}, 0},  // quotes keep the blanks
        {u"\"a", Kind::Text, {0x22, 0x61}, 0},
        {u"Привет", Kind::Text, {0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2}, 0},
        {u"№5 €", Kind::Text, {0xB9, 0x35, 0x20, 0x88}, 0},
        {u"", Kind::Empty, {}, 0},
        {u" \t ", Kind::Empty, {}, 0},
        {u"\"\"", Kind::Empty, {}, 0},
        {u"ab日本", Kind::Unencodable, {}, u'日'},
        {u"\uFFFD", Kind::Unencodable, {}, u'\uFFFD'},
    };
    for (const auto& c : cases) {
        const SearchPattern pattern = ParseSearchPattern(c.typed);
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(pattern.kind, c.kind);
        EXPECT_EQ(pattern.bytes, c.bytes);
        EXPECT_EQ(pattern.unencodable, c.unencodable);
    }
}

TEST(HexGridSearch, FindBytesFindsTheFirstWholeMatchFromTheGivenAddressOn) {
    //                 0     1     2     3     4     5     6     7     8     9     A     B
    const Bytes data{0x00, 0xDE, 0xAD, 0xBE, 0xEF, 0x11, 0xDE, 0xAD, 0x00, 0xFF, 0xFF, 0xFF};
    const struct {
        Bytes pattern;
        std::size_t from;
        std::optional<std::size_t> found;
    } cases[] = {
        {{0xDE, 0xAD}, 0, 1},
        {{0xDE, 0xAD}, 1, 1},  // the match at `from` itself
        {{0xDE, 0xAD}, 2, 6},
        {{0xDE, 0xAD}, 7, std::nullopt},
        {{0xDE, 0xAD, 0xBE}, 2, std::nullopt},  // first bytes match at 6, the third does not
        {{0x00}, 1, 8},
        {{0xFF, 0xFF}, 10, 10},
        {{0xFF, 0xFF}, 11, std::nullopt},  // would run past the end
        {{0xFF}, 11, 11},
        {{0xFF, 0xFF, 0xFF, 0x00}, 0, std::nullopt},
        {data, 0, 0},
        {{0x00, 0xDE, 0xAD, 0xBE, 0xEF, 0x11, 0xDE, 0xAD, 0x00, 0xFF, 0xFF, 0xFF, 0xFF},
         0,
         std::nullopt},
        {{}, 0, std::nullopt},
        {{0x00}, 12, std::nullopt},
        {{0x00}, std::numeric_limits<std::size_t>::max(), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - cases));
        EXPECT_EQ(FindBytes(data, c.pattern, c.from), c.found);
    }
    EXPECT_EQ(FindBytes({}, Bytes{0x00}, 0), std::nullopt);
}

}  // namespace
}  // namespace kelvan::bufferview
