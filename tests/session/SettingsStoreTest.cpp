#include "SettingsTestSupport.h"
#include "session/SettingsStore.h"

#include <QDir>
#include <QStringList>

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <limits>

namespace kelvan::session {
namespace {

using dialogs::test::plantSetting;
using dialogs::test::settingsFilePath;
using dialogs::test::settingsFileText;

class SettingsStoreTest : public testing::Test {
  protected:
    void SetUp() override { ASSERT_NO_THROW(dialogs::test::forgetSettings()); }
};

TEST_F(SettingsStoreTest, LivesInTheUsersConfigFolderUnderTheMakersName) {
    SettingsStore store;
    store.writeString(ComPortValue, "/dev/ttyS3");
    ASSERT_TRUE(store.sync());
    EXPECT_EQ(store.location(), settingsFilePath());
    EXPECT_TRUE(settingsFileText().contains("ComPort=/dev/ttyS3"));
}

TEST_F(SettingsStoreTest, ReadsBackWhatItWrote) {
    {
        SettingsStore store;
        store.writeString(PathValue, "/home/user/прошивки, версия 2");
        store.writeInt(BitrateValue, 115200);
        store.writeInt(ParityValue, -1);
        store.writeInt(checkValueName(12), 0);
        ASSERT_TRUE(store.sync());
    }
    const SettingsStore store;
    EXPECT_EQ(store.readString(PathValue), QString("/home/user/прошивки, версия 2"));
    EXPECT_EQ(store.readInt(BitrateValue), 115200);
    EXPECT_EQ(store.readInt(ParityValue), -1);
    EXPECT_EQ(store.readInt("Check12"), 0);
}

TEST_F(SettingsStoreTest, MissingOrMistypedValuesCountAsMissing) {
    plantSetting("Bitrate", "abc");
    plantSetting("Parity", "1x");
    plantSetting("Check1", "99999999999");
    plantSetting("Check2", " 1");
    plantSetting("ComPort", QStringList{"a", "b"});
    const SettingsStore store;
    EXPECT_EQ(store.readInt("Bitrate"), std::nullopt);
    EXPECT_EQ(store.readInt("Parity"), std::nullopt);
    EXPECT_EQ(store.readInt("Check1"), std::nullopt);
    EXPECT_EQ(store.readInt("Check2"), std::nullopt);
    EXPECT_EQ(store.readString("ComPort"), std::nullopt);
    EXPECT_EQ(store.readString("Path"), std::nullopt);
    EXPECT_EQ(store.readInt("Check3"), std::nullopt);
}

TEST_F(SettingsStoreTest, NumbersInTheTextFileReadWhole) {
    plantSetting("Bitrate", "+9600");
    plantSetting("Parity", "-2147483648");
    plantSetting("Check7", "5");
    const SettingsStore store;
    EXPECT_EQ(store.readInt("Bitrate"), 9600);
    EXPECT_EQ(store.readInt("Parity"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(store.readInt("Check7"), 5);
}

TEST_F(SettingsStoreTest, ReadingAllPutsTheDefaultsInPlaceOfMissingValues) {
    plantSetting("Bitrate", "abc");
    plantSetting("Parity", "3");
    plantSetting("Check2", "0");
    plantSetting("Check5", "x");
    const StoredSettings stored = SettingsStore().readAll();
    EXPECT_EQ(stored.port, "/dev/ttyUSB0");
    EXPECT_EQ(stored.bitrate, 56000);
    EXPECT_EQ(stored.parity, 3);
    EXPECT_EQ(stored.path, "");
    // Every option is ticked unless stored as 0.
    for (std::size_t index = 0; index < stored.options.size(); ++index) {
        EXPECT_EQ(stored.options[index], index != 1) << "Check" << index + 1;
    }
}

TEST_F(SettingsStoreTest, ReadOrWriteStoresTheFallbackOnlyWhenNeeded) {
    plantSetting("Bitrate", "abc");
    plantSetting("ComPort", "/dev/ttyACM0");
    SettingsStore store;
    EXPECT_EQ(store.readOrWriteInt("Bitrate", 56000), 56000);
    EXPECT_EQ(store.readOrWriteString("ComPort", "/dev/ttyUSB0"), "/dev/ttyACM0");
    EXPECT_EQ(store.readOrWriteInt("Parity", -1), -1);
    ASSERT_TRUE(store.sync());
    const QString text = settingsFileText();
    EXPECT_TRUE(text.contains("Bitrate=56000")) << text.toStdString();
    EXPECT_TRUE(text.contains("ComPort=/dev/ttyACM0")) << text.toStdString();
    EXPECT_TRUE(text.contains("Parity=-1")) << text.toStdString();
}

TEST_F(SettingsStoreTest, AnUnwritableStoreReportsTheFailure) {
    // A folder where the file belongs cannot be written, whatever the rights of the test.
    ASSERT_TRUE(QDir().mkpath(settingsFilePath()));
    SettingsStore store;
    store.writeInt(BitrateValue, 19200);
    EXPECT_FALSE(store.sync());
    ASSERT_TRUE(QDir(settingsFilePath()).removeRecursively());
}

}  // namespace
}  // namespace kelvan::session

int main(int argc, char** argv) {
    kelvan::dialogs::test::useTemporaryConfigHome();
    QCoreApplication application(argc, argv);  // the session's timers and port events
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
