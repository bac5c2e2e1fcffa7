// Entry of the window tests: an off-screen QApplication named as the program, with settings in a
// private folder so that no test reads or writes the user's own.

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

#include "AppTestSupport.h"
#include "SettingsTestSupport.h"

namespace kelvan::app::testing {

void writePortSettings(const QString& port) {
    dialogs::test::plantSetting(QStringLiteral("ComPort"), port);
    dialogs::test::plantSetting(QStringLiteral("Bitrate"), 56000);
    dialogs::test::plantSetting(QStringLiteral("Parity"), -1);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return QTest::qWaitFor(condition, static_cast<int>(timeout.count()));
}

}  // namespace kelvan::app::testing

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    kelvan::dialogs::test::useTemporaryConfigHome();

    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("NORVELLA"));
    QCoreApplication::setApplicationName(QStringLiteral("KELVAN"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
