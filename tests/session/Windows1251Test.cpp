#include "session/Windows1251.h"

#include <gtest/gtest.h>
#include <QStringDecoder>
#include <string>

namespace kelvan::session {
namespace {

TEST(Windows1251, DecodesCyrillicAndAscii) {
    // "Программатор 2" as the programmer sends it.
    const std::string bytes = "\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0\xF2\xEE\xF0 2";
    EXPECT_EQ(decodeWindows1251(bytes), QStringLiteral("Программатор 2"));
    EXPECT_EQ(decodeWindows1251("\xC0\xDF\xE0\xFF\xA8\xB8"), QStringLiteral("АЯаяЁё"));
    EXPECT_EQ(decodeWindows1251(""), QString());
}

TEST(Windows1251, KeepsEmbeddedZeroBytes) {
    const std::string bytes("A\0B", 3);
    const QString text = decodeWindows1251(bytes);
    ASSERT_EQ(text.size(), 3);
    EXPECT_EQ(text.at(1), QChar(0));
}

TEST(Windows1251, UnassignedByteBecomesReplacementCharacter) {
    EXPECT_EQ(decodeWindows1251("\x98"), QString(QChar(0xFFFD)));
}

// Where this Qt carries the code page (through ICU), every assigned byte must decode alike.
TEST(Windows1251, AgreesWithQtCodecForEveryAssignedByte) {
    QStringDecoder reference("windows-1251");
    if (!reference.isValid()) {
        GTEST_SKIP() << "this Qt build has no Windows-1251 codec to compare with";
    }
    for (int byte = 0; byte < 256; ++byte) {
        if (byte == 0x98) {
            continue;
        }
        const char c = static_cast<char>(byte);
        const QString expected = reference.decode(QByteArrayView(&c, 1));
        EXPECT_EQ(decodeWindows1251(std::string_view(&c, 1)), expected) << "byte " << byte;
    }
}

}  // namespace
}  // namespace kelvan::session
