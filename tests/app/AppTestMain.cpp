// Entry of the window tests: an off-screen QApplication named as the program, with settings in a
// private folder so that no test reads or writes the user's own.

#include <gtest/gtest.h>
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "AppTestSupport.h"
#include "dialogs/ErrorBox.h"

namespace kelvan::app::testing {

void writePortSettings(const QString& port) {
    QSettings settings;
    settings.setValue(QStringLiteral("ComPort"), port);
    settings.setValue(QStringLiteral("Bitrate"), 56000);
    settings.setValue(QStringLiteral("Parity"), -1);
    settings.sync();
    ASSERT_EQ(settings.status(), QSettings::NoError);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    return QTest::qWaitFor(condition, static_cast<int>(timeout.count()));
}

}  // namespace kelvan::app::testing

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir configuration;
    if (!configuration.isValid()) {
        return 2;
    }
    qputenv("XDG_CONFIG_HOME", configuration.path().toLocal8Bit());

    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("NORVELLA"));
    QCoreApplication::setApplicationName(QStringLiteral("KELVAN"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
