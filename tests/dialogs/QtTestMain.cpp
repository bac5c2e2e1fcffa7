// Entry of the widget tests: an off-screen QApplication named as the program, with settings in a
// private folder so that no test reads or writes the user's own.

#include <gtest/gtest.h>
#include <QApplication>

#include "SettingsTestSupport.h"

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
