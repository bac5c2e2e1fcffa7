// A first start whose port cannot be opened, the error box left open for 8 s, past the watchdog's
// 5 s: its expiry must find every window it reaches, and start-up goes on afterwards; and the
// programmer that appears while the box is open is found behind it.

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>

#include "AppTestSupport.h"
#include "SettingsTestSupport.h"
#include "SimulatedProgrammer.h"
#include "app/Application.h"
#include "devsim/PseudoTerminal.h"
#include "session/CommEventPump.h"

namespace kelvan::app {
namespace {

using link::Bytes;
using namespace std::chrono_literals;

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

// The programmer plugged in while the start-up box still says its port is missing: the port is
// tried every second behind the box, and the conversation runs there.
class StartUpBoxProgrammer : public testing::SimulatedProgrammer {};

TEST_F(StartUpBoxProgrammer, APortThatAppearsWhileTheBoxIsOpenConnects) {
    bool connectedBehindTheBox = false;
    errorBoxes_.whileOpen = [&] {
        startSimulator({.linkPath = linkPath()});
        TForm1* window = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            window = window != nullptr ? window : qobject_cast<TForm1*>(widget);
        }
        ASSERT_NE(window, nullptr);
        connectedBehindTheBox = testing::waitFor([&] { return connected(*window); }, 30s);
    };
    const QString port = QString::fromStdString(linkPath());
    startWindows(port);
    EXPECT_EQ(errorBoxes_.shown,
              QStringList{"Невозможно открыть порт!\nПорт " + port + ": нет такого устройства."});
    EXPECT_TRUE(connectedBehindTheBox);
    EXPECT_EQ(form().statusText(), QString()) << "the port's failure is gone with it";
    form().show();
    EXPECT_TRUE(testing::waitFor([&] { return connected() && idle(); }));
}

}  // namespace
}  // namespace kelvan::app
