// An operation cut short in the real window against the simulated programmer: the programmer
// unplugged mid-write turns the status red at once and the write succeeds once it is back,
// cancelling sends nothing more, and closing while commands are queued asks first.

#include <gtest/gtest.h>

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "SimulatedProgrammer.h"
#include "app/TForm5.h"
#include "TestImages.h"

namespace kelvan::app {
namespace {

using namespace std::chrono_literals;

const QString InterruptQuestion =
    QStringLiteral("Операция с микросхемой ещё не закончена.\n\rПрервать её и выйти из программы?");

class OperationInterruptionTest : public testing::SimulatedProgrammer {
  protected:
    // Connected, the 64 KiB chip chosen, a working file of size bytes picked up, and
    // "Записать память программ" clicked; returns without waiting for the writes.
    void startWrite(std::size_t size, devsim::SimulatorOptions options = {}) {
        ASSERT_TRUE(folder_.isValid());
        startProgram(std::move(options));
        form().resize(1000, 700);
        form().setCurrentFolder(folder_.path());
        ASSERT_TRUE(testing::waitFor([&] { return connected(); }, 30s));
        chooseChip(2);
        QFile file(folder_.filePath(QStringLiteral("image.bin")));
        image_ = test::randomBytes(size, 11);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(image_.data()), static_cast<qint64>(size));
        file.close();
        ASSERT_TRUE(testing::clickFile(form(), file.fileName()));
        QListWidget* commands = form().ListBox2;
        const auto found =
            commands->findItems(QStringLiteral("Записать память программ"), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        QTest::mouseClick(commands->viewport(), Qt::LeftButton, {},
                          commands->visualItemRect(found.front()).center());
    }

    // The program memory of the chip written to.
    link::Bytes chipImage() {
        return simulator_->withDevice(
            [](devsim::DeviceModel& device) { return device.chip(2).programMemory; });
    }

    QTemporaryDir folder_;
    link::Bytes image_;  // the working file's bytes
};

// Unplugged mid-write, with the watchdog out of reach: the hang-up alone turns the status red.
// Plugged in again, the same write puts the whole image into the chip.
TEST_F(OperationInterruptionTest, UnpluggedMidWriteTheStatusTurnsRedAndAfterReplugTheWriteEnds) {
    ASSERT_NO_FATAL_FAILURE(startWrite(0x10000, {.linkPath = linkPath()}));
    form().Timer2->setInterval(3'600'000);
    ASSERT_TRUE(testing::waitFor([&] { return simulator_->framesReceived(10) >= 20; }, 30s));
    ASSERT_TRUE(form().statusText().startsWith(QStringLiteral("Сигнатура")));
    simulator_->unplug();
    EXPECT_TRUE(testing::waitFor(
        [&] { return form().statusText().startsWith(QStringLiteral("Операция прервана")); }, 10s));
    EXPECT_EQ(form().statusText(),
              QStringLiteral("Операция прервана: программатор не отвечает. Микросхема может быть "
                             "записана или стёрта не полностью."));
    EXPECT_EQ(form().statusColour(), QColor(255, 128, 128));
    EXPECT_EQ(testing::queuedCommands(form()), (std::vector<link::Bytes>{{254}}));
    EXPECT_FALSE(windows_->form5()->isVisible());
    EXPECT_NE(chipImage(), image_);

    simulator_->replug();
    ASSERT_TRUE(testing::waitFor([&] { return connected(); }, 30s));
    chooseChip(2);
    run(10, 60s);
    EXPECT_EQ(form().statusText(), QStringLiteral("Все верно."));
    EXPECT_EQ(form().statusColour(), QColor(230, 230, 210));
    EXPECT_TRUE(chipImage() == image_) << "the chip holds another image";
}

TEST_F(OperationInterruptionTest, CancellingSendsNothingBeyondTheCommandInFlight) {
    ASSERT_NO_FATAL_FAILURE(startWrite(0x10000));
    ASSERT_TRUE(testing::waitFor([&] { return simulator_->framesReceived(10) >= 20; }, 30s));
    TForm5* progress = windows_->form5();
    ASSERT_TRUE(progress->isVisible());
    EXPECT_TRUE(progress->PercentText->text().endsWith(QStringLiteral(" %")));
    EXPECT_TRUE(progress->TimeLeftText->text().startsWith(QStringLiteral("осталось ")))
        << progress->TimeLeftText->text().toStdString();
    EXPECT_LE(progress->Label1->geometry().right(), progress->TimeLeftText->x())
        << "the time left stands beside the caption";
    QTest::mouseClick(progress->CancelButton, Qt::LeftButton);
    const std::vector<link::Bytes> sentBefore = simulator_->traffic().frames;
    ASSERT_TRUE(testing::waitFor([&] { return idle(); }, 10s));
    QTest::qWait(1500);  // readies keep coming: nothing more may go out

    const std::vector<link::Bytes> sent = simulator_->traffic().frames;
    ASSERT_GE(sent.size(), sentBefore.size());
    for (std::size_t index = sentBefore.size(); index < sent.size(); ++index) {
        EXPECT_EQ(sent[index], sentBefore.back()) << "frame " << index << " went out after";
    }
    EXPECT_EQ(simulator_->framesReceived(6), 0u) << "a lock bit was set";
    EXPECT_EQ(form().statusText(),
              QStringLiteral("Операция «Записать память программ» прервана. Микросхема может "
                             "быть записана или стёрта не полностью."));
    EXPECT_EQ(form().statusColour(), QColor(255, 128, 128));
    EXPECT_FALSE(progress->isVisible());
}

TEST_F(OperationInterruptionTest, ClosingWhileCommandsAreQueuedAsksFirst) {
    ASSERT_NO_FATAL_FAILURE(startWrite(0x1000));
    prompter_.yes = false;  // the default answer: keep working
    EXPECT_FALSE(form().close());
    EXPECT_EQ(prompter_.questions, QStringList{InterruptQuestion});
    simulator_->offerReadyNow();
    ASSERT_TRUE(testing::waitFor([&] { return idle(); }, 30s));
    EXPECT_EQ(form().statusText(), QStringLiteral("Все верно."));

    // Idle: no question. Busy again and Yes: the save question follows, then the sequence.
    EXPECT_TRUE(form().close());
    EXPECT_EQ(prompter_.questions.size(), 1);
    stopProgram();
    prompter_.questions.clear();
    ASSERT_NO_FATAL_FAILURE(startWrite(0x1000));
    form().buffer().setModified(true);
    prompter_.yes = true;
    prompter_.answer = widgets::Prompter::Answer::No;
    EXPECT_TRUE(form().close());
    ASSERT_EQ(prompter_.questions.size(), 2);
    EXPECT_EQ(prompter_.questions[0], InterruptQuestion);
    EXPECT_TRUE(prompter_.questions[1].startsWith(QStringLiteral("Данные в буфере изменены!")));
    EXPECT_EQ(windows_->form3(), nullptr);
}

}  // namespace
}  // namespace kelvan::app
