// The program's windows, with their real serial component and link, against the simulated
// programmer on a pseudo-terminal: the start-up conversation, a chip choice, losing and
// regaining the programmer, and moving to another port.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "SimulatedProgrammer.h"
#include "dialogs/TForm3.h"
#include "dialogs/TForm4.h"
#include "dialogs/TForm6.h"
#include "dialogs/TForm7.h"
#include "link/LinkObserver.h"

namespace kelvan::app {
namespace {

using namespace std::chrono_literals;
using testing::listTexts;

// Counts the frames the window's link takes in.
class ReceivedFrames : public link::LinkObserver {
  public:
    void frameReceived(std::span<const std::uint8_t>, link::ReceivedFrame,
                       link::LinkTime) override {
        ++count;
    }
    void frameSent(std::span<const std::uint8_t>, bool, link::LinkTime) override {}
    void retryLimitReached(std::string_view, link::LinkTime) override {}

    int count = 0;
};

class DevsimEndToEndTest : public testing::SimulatedProgrammer {
  protected:
    void SetUp() override { startProgram(); }
};

TEST_F(DevsimEndToEndTest, StartUpConversationShowsTheProgrammer) {
    ASSERT_TRUE(testing::waitFor([&] { return connected(); }))
        << "title " << form().windowTitle().toStdString() << ", " << form().ListBox1->count()
        << " chips";
    EXPECT_TRUE(errorBoxes_.shown.isEmpty()) << errorBoxes_.shown.join('\n').toStdString();

    // The about lines arrive before the chip names.
    dialogs::TForm7& about = *windows_->form7();
    ASSERT_EQ(about.aboutLabelCount(), static_cast<int>(catalogue_.aboutLines.size()));
    for (int line = 0; line < about.aboutLabelCount(); ++line) {
        EXPECT_EQ(about.aboutLabel(line)->text(),
                  QString::fromStdString(catalogue_.aboutLines[static_cast<std::size_t>(line)]));
    }
    EXPECT_TRUE(prompter_.warnings.isEmpty());

    // On the wire: 255 first, then the title request. A ready of the programmer's idle timer
    // that crosses a command on a loaded machine legitimately has it sent again.
    auto frames = simulator_->traffic().frames;
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[0], (link::Bytes{255}));
    EXPECT_EQ(frames[1], (link::Bytes{254}));
}

TEST_F(DevsimEndToEndTest, ChoosingAChipFillsTheCommandList) {
    ASSERT_TRUE(testing::waitFor([&] { return connected(); }));
    const std::size_t chip = catalogue_.chips.size() - 1;
    const auto& description = catalogue_.chips[chip];
    QStringList expectedCommands;
    for (int code = 0; code < 32; ++code) {
        if ((description.commandMask >> code) & 1u) {
            expectedCommands << QString::fromUtf8(
                link::CommandNameTable[code].data(),
                static_cast<qsizetype>(link::CommandNameTable[code].size()));
        }
    }
    ASSERT_FALSE(expectedCommands.isEmpty());

    const testing::Frames wire = chooseChip(chip);
    ASSERT_FALSE(wire.empty());
    EXPECT_EQ(wire.front(), (link::Bytes{249, static_cast<std::uint8_t>(chip)}));
    EXPECT_EQ(listTexts(*form().ListBox2), expectedCommands);
    EXPECT_EQ(form().link().programMemorySize(), description.programMemorySize);
    // The bit dialogs are built from the programmer's description, captions decoded.
    const dialogs::TForm4& lockBits = *windows_->form4();
    const dialogs::TForm6& fuseBits = *windows_->form6();
    ASSERT_EQ(fuseBits.bitCount(), static_cast<int>(description.fuseBits.size()));
    ASSERT_EQ(lockBits.bitCount(), static_cast<int>(description.lockBits.size()));
    ASSERT_FALSE(description.fuseBits.empty());
    ASSERT_FALSE(description.lockBits.empty());
    EXPECT_EQ(fuseBits.bitBox(fuseBits.bitCount() - 1)->text(),
              QString::fromStdString(description.fuseBits.back().caption));
    EXPECT_EQ(lockBits.bitBox(lockBits.bitCount() - 1)->text(),
              QString::fromStdString(description.lockBits.back().caption));
}

// The programmer lost while idle and back again: the caption and the lists say so, and its
// return runs the start-up conversation. Readies come every 100 ms.
TEST_F(DevsimEndToEndTest, ALostProgrammerDisconnectsAndItsReturnReconnects) {
    using Step = std::function<void(devsim::Simulator&)>;
    const struct {
        const char* way;
        std::chrono::milliseconds watchdog;
        Step lose;
        Step bringBack;
    } cases[] = {
        // A watchdog of 1 s stands in for the 5 s one. Twice the watchdog: it expires at least
        // once, and the disconnected state lasts long enough to be seen on a busy machine.
        {"silence", 1s, [](devsim::Simulator& programmer) { programmer.goSilent(2s); },
         [](devsim::Simulator&) {}},
        // Unplugged: with the watchdog out of reach only the hang-up can tell. Plugged in again
        // on a new terminal behind the same device name, which the port is opened by again.
        {"unplug", 1h, [](devsim::Simulator& programmer) { programmer.unplug(); },
         [](devsim::Simulator& programmer) { programmer.replug(); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.way);
        stopProgram();
        startProgram({.readyInterval = 100ms, .linkPath = linkPath()});
        form().Timer2->setInterval(static_cast<int>(std::chrono::milliseconds(c.watchdog).count()));
        ASSERT_TRUE(testing::waitFor([&] { return connected(); }));
        chooseChip(0);
        ASSERT_GT(form().ListBox2->count(), 0);

        c.lose(*simulator_);
        ASSERT_TRUE(testing::waitFor([&] { return disconnected(); }, 15s));
        c.bringBack(*simulator_);
        EXPECT_TRUE(testing::waitFor([&] { return connected(); }, 30s))
            << "title " << form().windowTitle().toStdString();
        EXPECT_TRUE(prompter_.warnings.isEmpty());
        EXPECT_TRUE(errorBoxes_.shown.isEmpty()) << errorBoxes_.shown.join('\n').toStdString();
    }
}

// "Сохранить" with another port while the programmer answers, and "Да" to reconnecting: the
// programmer on the new port is greeted with the start-up conversation.
TEST_F(DevsimEndToEndTest, SavingAnotherPortAndReconnectingTalksToTheProgrammerThere) {
    ASSERT_TRUE(testing::waitFor([&] { return connected(); }));
    devsim::Simulator other;
    other.start();
    dialogs::TForm3& settings = *windows_->form3();
    settings.Edit1->setText(QString::fromStdString(other.slavePath()));
    prompter_.yes = true;
    settings.Button1->click();
    EXPECT_EQ(prompter_.questions,
              QStringList{QStringLiteral("Переподключиться с новыми параметрами сейчас?")});

    ASSERT_TRUE(
        testing::waitFor([&] { return connected() && other.traffic().frames.size() >= 2; }));
    auto frames = other.traffic().frames;
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    EXPECT_EQ(frames[0], (link::Bytes{255}));
    EXPECT_EQ(frames[1], (link::Bytes{254}));
    EXPECT_EQ(form().session().comm().CommPort(), other.slavePath());
    other.stop();
}

TEST_F(DevsimEndToEndTest, ClosingWhileConnectedRunsTheWholeSequence) {
    ASSERT_TRUE(testing::waitFor([&] { return connected(); }));
    EXPECT_TRUE(form().close());
    EXPECT_EQ(windows_->form3(), nullptr);
    EXPECT_FALSE(form().Timer2->isActive());
    // The serial threads keep running until the windows go; a ready that arrives meanwhile
    // must not disturb anything.
    ReceivedFrames received;
    form().link().setObserver(&received);
    simulator_->offerReadyNow();
    EXPECT_TRUE(testing::waitFor([&] { return received.count > 0; }));
    form().link().setObserver(nullptr);
    EXPECT_TRUE(prompter_.warnings.isEmpty());
}

}  // namespace
}  // namespace kelvan::app
