// The first thing most new users see: start-up cannot open the port and says so in the error
// box. The box is left open past the watchdog's 5 s while the event loop runs, as a user reading
// it would; every window the watchdog's expiry reaches must exist by then.

#include <gtest/gtest.h>
#include <QString>

#include "AppTestSupport.h"
#include "ErrorBoxRecorder.h"
#include "SettingsTestSupport.h"
#include "app/Application.h"
#include "app/CommEventPump.h"
#include "app/TForm1.h"
#include "devsim/PseudoTerminal.h"
#include "serial/TComm32.h"

namespace kelvan::app {
namespace {

using namespace std::chrono_literals;
using link::Bytes;

class StartUpBoxTest : public ::testing::Test {
  protected:
    // A first start (nothing stored but the port) whose error box stays open for 8 s.
    void startHeldOpen(const QString& port) {
        dialogs::test::forgetSettings();
        dialogs::test::plantSetting(QStringLiteral("ComPort"), port);
        errorBoxes_.holdOpen = 8s;
        windows_ = std::make_unique<Application>(
            prompter_, []() -> std::optional<QString> { return std::nullopt; });
    }

    // Start-up went on after the box: the watchdog expired behind it (its title request is
    // the only entry), and the main window comes up disconnected with the start-up commands
    // queued behind that request.
    void expectDisconnectedMainWindow() {
        EXPECT_EQ(errorBoxes_.shown, QStringList{QStringLiteral("Невозможно открыть порт!")});
        TForm1& form = windows_->form1();
        EXPECT_EQ(queued(), (std::vector<Bytes>{{254}}));
        form.show();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.windowTitle(), QStringLiteral("Программатор не подключен"));
        EXPECT_EQ(queued(), (std::vector<Bytes>{{254}, {255}, {254}}));
    }

    std::vector<Bytes> queued() {
        const auto& entries = windows_->form1().link().queue().entries();
        return {entries.begin(), entries.end()};
    }

    testing::ScriptedPrompter prompter_;
    dialogs::test::ErrorBoxRecorder errorBoxes_;  // installed before the windows, removed after
    std::unique_ptr<Application> windows_;
};

TEST_F(StartUpBoxTest, NoPortAtFirstStart) {
    startHeldOpen(QStringLiteral("/nonexistent/kelvan-test-port"));
    expectDisconnectedMainWindow();
}

TEST_F(StartUpBoxTest, PortHeldByAnotherProgram) {
    devsim::PseudoTerminal terminal;
    CommEventPump otherPump;
    serial::TComm32 other(otherPump);
    other.setCommPort(terminal.slavePath());
    ASSERT_TRUE(other.OpenPort());

    startHeldOpen(QString::fromStdString(terminal.slavePath()));
    EXPECT_FALSE(windows_->form1().comm().isOpen());
    expectDisconnectedMainWindow();
}

}  // namespace
}  // namespace kelvan::app
