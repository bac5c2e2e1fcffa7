// An operation cut short in the real window against the simulated programmer: the programmer
// lost mid-write (its port hanging up, or falling silent) turns the status red with what may be
// left half done, and closing the window while commands are queued asks first.

#include <gtest/gtest.h>

#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>

#include "SimulatedProgrammer.h"
#include "TestImages.h"

namespace kelvan::app {
namespace {

using namespace std::chrono_literals;

const QColor ErrorColour(255, 128, 128);
const QString Changing = QStringLiteral(
    "Операция прервана: программатор не отвечает. Микросхема может быть записана или стёрта не "
    "полностью.");
const QString InterruptQuestion =
    QStringLiteral("Операция с микросхемой ещё не закончена.\n\rПрервать её и выйти из программы?");
const QString AllCorrect = QStringLiteral("Все верно.");
constexpr std::size_t Large = 2;  // the simulator's chip with 64 KiB of program memory
constexpr std::uint8_t WriteProgramMemory = 10;

class OperationInterruptionTest : public testing::SimulatedProgrammer {
  protected:
    // The program connected to the programmer, the large chip chosen, and a working file of
    // size random bytes picked up in the browser.
    void startWithImage(std::size_t size) {
        ASSERT_TRUE(folder_.isValid());
        startProgram();
        form().resize(1000, 700);
        form().setCurrentFolder(folder_.path());
        ASSERT_TRUE(testing::waitFor([&] { return connected(); }, 30s));
        chooseChip(Large);
        const link::Bytes image = test::randomBytes(size, 11);
        QFile file(folder_.filePath(QStringLiteral("image.bin")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(reinterpret_cast<const char*>(image.data()),
                             static_cast<qint64>(image.size())),
                  static_cast<qint64>(image.size()));
        file.close();
        ASSERT_TRUE(testing::clickFile(form(), file.fileName()));
    }

    // Clicks "Записать память программ" and returns without waiting for the writes.
    void startWrite() {
        QListWidget* commands = form().ListBox2;
        const std::string_view name = link::CommandNameTable[WriteProgramMemory];
        const auto found = commands->findItems(
            QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        QTest::mouseClick(commands->viewport(), Qt::LeftButton, {},
                          commands->visualItemRect(found.front()).center());
        ASSERT_GT(form().link().queueLength(), 10u);  // the whole sequence, queued at once
    }

    QTemporaryDir folder_;
};

TEST_F(OperationInterruptionTest, AProgrammerLostMidWriteTurnsTheStatusRedWithWhatIsLeftUndone) {
    const struct {
        const char* how;
        std::function<void()> lose;
        std::chrono::milliseconds within;
    } losses[] = {
        // The programmer's end of the line closes: the port's receive thread hangs up, which
        // needs no watchdog.
        {"the port hangs up", [this] { simulator_.reset(); }, 1500ms},
        {"the programmer falls silent", [this] { simulator_->goSilent(20s); }, 7000ms},
    };
    for (const auto& loss : losses) {
        SCOPED_TRACE(loss.how);
        stopProgram();
        ASSERT_NO_FATAL_FAILURE(startWithImage(0x10000));
        ASSERT_NO_FATAL_FAILURE(startWrite());
        // Past the signature checks and the erase, into the writes.
        ASSERT_TRUE(testing::waitFor(
            [&] { return simulator_->framesReceived(WriteProgramMemory) >= 20; }, 30s));
        ASSERT_TRUE(form().statusText().startsWith(QStringLiteral("Сигнатура")))
            << form().statusText().toStdString();

        const auto lostAt = std::chrono::steady_clock::now();
        loss.lose();
        EXPECT_TRUE(testing::waitFor([&] { return form().statusText() == Changing; }, 10s))
            << form().statusText().toStdString();
        EXPECT_LT(std::chrono::steady_clock::now() - lostAt, loss.within);
        EXPECT_EQ(form().statusColour(), ErrorColour);
        EXPECT_EQ(form().windowTitle(), QStringLiteral("Программатор не подключен"));
        EXPECT_EQ(testing::queuedCommands(form()), (std::vector<link::Bytes>{{254}}));
        // Nothing that comes later replaces it while the programmer stays away.
        QTest::qWait(500);
        EXPECT_EQ(form().statusText(), Changing);
        EXPECT_TRUE(prompter_.warnings.isEmpty());
    }
}

TEST_F(OperationInterruptionTest, ClosingWhileCommandsAreQueuedAsksFirstAndNoKeepsWorking) {
    ASSERT_NO_FATAL_FAILURE(startWithImage(0x1000));
    // Connected and idle: nothing to ask.
    ASSERT_TRUE(idle());

    ASSERT_NO_FATAL_FAILURE(startWrite());
    prompter_.yes = false;
    EXPECT_FALSE(form().close());
    EXPECT_EQ(prompter_.questions, QStringList{InterruptQuestion});
    ASSERT_NE(windows_->form3(), nullptr);
    EXPECT_TRUE(form().Timer2->isActive());
    // The write goes on to its end.
    simulator_->offerReadyNow();
    ASSERT_TRUE(testing::waitFor([&] { return idle(); }, 30s));
    EXPECT_EQ(form().statusText(), AllCorrect);

    // Idle again: the window closes without a question.
    EXPECT_TRUE(form().close());
    EXPECT_EQ(prompter_.questions.size(), 1);
    EXPECT_EQ(windows_->form3(), nullptr);
}

TEST_F(OperationInterruptionTest, ClosingWhileCommandsAreQueuedWithYesRunsTheClosingSequence) {
    ASSERT_NO_FATAL_FAILURE(startWithImage(0x1000));
    ASSERT_NO_FATAL_FAILURE(startWrite());
    form().buffer().setModified(true);  // the save question follows the interrupt question
    prompter_.yes = true;
    prompter_.answer = dialogs::Prompter::Answer::No;
    EXPECT_TRUE(form().close());
    ASSERT_EQ(prompter_.questions.size(), 2);
    EXPECT_EQ(prompter_.questions[0], InterruptQuestion);
    EXPECT_TRUE(prompter_.questions[1].startsWith(QStringLiteral("Данные в буфере изменены!")));
    EXPECT_EQ(windows_->form3(), nullptr);
    EXPECT_FALSE(form().Timer2->isActive());
}

TEST_F(OperationInterruptionTest, TheStartUpRequestsAreNoOperationToAskAbout) {
    startProgram();
    // Shown a moment ago: the end-of-sequence and title requests still wait for a ready.
    ASSERT_EQ(testing::queuedCommands(form()), (std::vector<link::Bytes>{{255}, {254}}));
    EXPECT_TRUE(form().close());
    EXPECT_TRUE(prompter_.questions.isEmpty());
}

}  // namespace
}  // namespace kelvan::app
