// A first start whose port cannot be opened, the error box left open for 8 s, past the watchdog's
// 5 s: its expiry must find every window it reaches, and start-up goes on afterwards.

#include <gtest/gtest.h>
#include <QTest>

#include "AppTestSupport.h"
#include "SettingsTestSupport.h"
#include "app/Application.h"
#include "session/CommEventPump.h"
#include "devsim/PseudoTerminal.h"

namespace kelvan::app {
namespace {

using link::Bytes;

void expectFirstStartSurvivesAHeldBox(const QString& port, const QString& reason) {
    dialogs::test::forgetSettings();
    dialogs::test::plantSetting(QStringLiteral("ComPort"), port);
    testing::ScriptedPrompter prompter;
    dialogs::test::ErrorBoxRecorder errorBoxes;
    // Held as a user would leave it, with the real watchdog running behind it.
    errorBoxes.whileOpen = [] { QTest::qWait(8000); };
    Application windows(prompter);

    EXPECT_EQ(errorBoxes.shown,
              QStringList{"Невозможно открыть порт!\nПорт " + port + ": " + reason + "."});
    TForm1& form = windows.form1();
    // The watchdog expired behind the box and queued its title request.
    EXPECT_EQ(testing::queuedCommands(form), (std::vector<Bytes>{{254}}));
    form.show();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Программатор не подключен"));
    EXPECT_EQ(testing::queuedCommands(form), (std::vector<Bytes>{{254}, {255}, {254}}));
}

TEST(StartUpBox, NoPort) {
    expectFirstStartSurvivesAHeldBox(QStringLiteral("/nonexistent/kelvan-test-port"),
                                     QStringLiteral("нет такого устройства"));
}

TEST(StartUpBox, PortHeldByAnotherProgram) {
    devsim::PseudoTerminal terminal;
    session::CommEventPump otherPump;
    serial::TComm32 other(otherPump);
    other.setCommPort(terminal.slavePath());
    ASSERT_TRUE(other.OpenPort());
    expectFirstStartSurvivesAHeldBox(QString::fromStdString(terminal.slavePath()),
                                     QStringLiteral("занят другой программой"));
}

}  // namespace
}  // namespace kelvan::app
