#include "widgets/FileColumnTexts.h"

#include <gtest/gtest.h>
#include <QDateTime>
#include <QFile>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>

namespace kelvan::widgets {
namespace {

TEST(FileColumnTexts, SizesInRussianWithTheNounInItsCase) {
    const std::pair<qint64, const char16_t*> cases[] = {
        {0, u"0 байт"},        {1, u"1 байт"},       {2, u"2 байта"},   {4, u"4 байта"},
        {5, u"5 байт"},        {11, u"11 байт"},     {12, u"12 байт"},  {14, u"14 байт"},
        {21, u"21 байт"},      {22, u"22 байта"},    {27, u"27 байт"},  {113, u"113 байт"},
        {1023, u"1023 байта"}, {1024, u"1,0 кБ"},    {1536, u"1,5 кБ"}, {4096, u"4,0 кБ"},
        {524288, u"512,0 кБ"}, {1048576, u"1,0 МБ"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(fileSizeText(bytes), QString::fromStdU16String(text)) << bytes;
    }
}

// The proxy a save dialog gets: a folder shows no size, a file its size in Russian.
TEST(FileColumnTexts, TheProxyShowsAFileSystemModelsSizesAndTimesInRussian) {
    const QTemporaryDir folder;
    const QDir dir(folder.path());
    ASSERT_TRUE(dir.mkdir(QStringLiteral("inner")));
    QFile file(dir.filePath(QStringLiteral("image.bin")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(27, 'x')) == 27 &&
                file.flush());
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2026, 12, 9), QTime(8, 55, 10)),
                                 QFileDevice::FileModificationTime));
    file.close();

    QFileSystemModel files;
    FileColumnTexts texts;
    texts.setSourceModel(&files);
    QTRY_COMPARE(texts.rowCount(texts.mapFromSource(files.setRootPath(folder.path()))), 2);
    const auto shown = [&](const char* name, int column) {
        return texts.mapFromSource(files.index(dir.filePath(name), column)).data();
    };
    EXPECT_EQ(shown("image.bin", 1), QStringLiteral("27 байт"));
    EXPECT_EQ(shown("image.bin", 3), QStringLiteral("09.12.2026 08:55"));
    EXPECT_EQ(shown("inner", 1), files.index(dir.filePath(QStringLiteral("inner")), 1).data())
        << "a folder's size is left as the model has it";
}

}  // namespace
}  // namespace kelvan::widgets
