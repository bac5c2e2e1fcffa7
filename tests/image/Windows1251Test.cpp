#include "image/Windows1251.h"

#include <gtest/gtest.h>

namespace kelvan {
namespace {

// Decoding is checked byte by byte against Qt's codec in the session's tests; here the way back.
TEST(Windows1251, EveryAssignedCharacterHasItsByteAndNoOtherHasOne) {
    for (int byte = 0; byte < 256; ++byte) {
        if (byte != 0x98) {
            const auto value = static_cast<std::uint8_t>(byte);
            EXPECT_EQ(unicodeToWindows1251(windows1251ToUnicode(value)), value) << byte;
        }
    }
    EXPECT_EQ(unicodeToWindows1251(u'я'), 0xFF);
    EXPECT_EQ(unicodeToWindows1251(u'€'), 0x88);
    for (const char16_t character : {u'\uFFFD', u'日', u'ä', u'Ω', u'\u0400', u'\u0450'}) {
        EXPECT_EQ(unicodeToWindows1251(character), std::nullopt) << int{character};
    }
}

}  // namespace
}  // namespace kelvan
