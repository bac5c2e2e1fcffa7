// The program's windows, with their real serial component and link, against the simulated
// programmer on a pseudo-terminal: the start-up conversation, a chip choice, and losing and
// regaining the programmer.

#include <gtest/gtest.h>
#include <QCheckBox>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include "AppTestSupport.h"
#include "ErrorBoxRecorder.h"
#include "app/Application.h"
#include "app/TForm1.h"
#include "devsim/Catalogue.h"
#include "devsim/Simulator.h"
#include "dialogs/TForm4.h"
#include "dialogs/TForm6.h"
#include "dialogs/TForm7.h"
#include "link/Commands.h"

namespace kelvan::app {
namespace {

using namespace std::chrono_literals;

const QString Disconnected = QStringLiteral("Программатор не подключен");

QStringList listTexts(const QListWidget& list) {
    QStringList texts;
    for (int row = 0; row < list.count(); ++row) {
        texts << list.item(row)->text();
    }
    return texts;
}

class DevsimEndToEndTest : public ::testing::Test {
  protected:
    void SetUp() override {
        simulator_.start();
        testing::writePortSettings(QString::fromStdString(simulator_.slavePath()));
        windows_ = std::make_unique<Application>(prompter_);
        windows_->form1().show();
    }

    void TearDown() override {
        windows_.reset();
        simulator_.stop();
    }

    TForm1& form() { return windows_->form1(); }

    QStringList expectedChips() const {
        QStringList names;
        for (const auto& chip : catalogue_.chips) {
            names << QString::fromStdString(chip.name);
        }
        return names;
    }

    // The start-up conversation has run: title and the whole chip list are in.
    bool connected() {
        return form().windowTitle() == QString::fromStdString(catalogue_.title) &&
               listTexts(*form().ListBox1) == expectedChips();
    }

    const devsim::Catalogue& catalogue_ = devsim::standardCatalogue();
    devsim::Simulator simulator_;
    testing::ScriptedPrompter prompter_;
    dialogs::test::ErrorBoxRecorder errorBoxes_;  // installed before the windows, removed after
    std::unique_ptr<Application> windows_;
};

TEST_F(DevsimEndToEndTest, StartUpConversationShowsTheProgrammer) {
    ASSERT_TRUE(testing::waitFor([&] { return connected(); }))
        << "title " << form().windowTitle().toStdString() << ", " << form().ListBox1->count()
        << " chips";
    EXPECT_TRUE(errorBoxes_.shown.isEmpty()) << errorBoxes_.shown.join('\n').toStdString();

    // The about lines arrive before the chip names.
    dialogs::TForm7& about = *windows_->form7();
    ASSERT_EQ(about.aboutLabelCount(), static_cast<int>(catalogue_.aboutLines.size()));
    EXPECT_TRUE(prompter_.warnings.isEmpty());

    // On the wire: 255 first, then the title request. A ready of the programmer's idle timer
    // that crosses a command on a loaded machine legitimately has it sent again.
    auto frames = simulator_.traffic().frames;
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    ASSERT_GE(frames.size(), 2u);
    EXPECT_EQ(frames[0], (link::Bytes{255}));
    EXPECT_EQ(frames[1], (link::Bytes{254}));
}

TEST_F(DevsimEndToEndTest, ChoosingAChipFillsTheCommandList) {
    ASSERT_TRUE(testing::waitFor([&] { return connected(); }));
    const int chip = static_cast<int>(catalogue_.chips.size()) - 1;
    const std::uint32_t mask = catalogue_.chips[static_cast<std::size_t>(chip)].commandMask;
    QStringList expectedCommands;
    for (int code = 0; code < 32; ++code) {
        if ((mask >> code) & 1u) {
            expectedCommands << QString::fromUtf8(
                link::CommandNameTable[code].data(),
                static_cast<qsizetype>(link::CommandNameTable[code].size()));
        }
    }
    ASSERT_FALSE(expectedCommands.isEmpty());

    QListWidget* chips = form().ListBox1;
    QTest::mouseClick(chips->viewport(), Qt::LeftButton, {},
                      chips->visualItemRect(chips->item(chip)).center());
    ASSERT_TRUE(testing::waitFor([&] { return listTexts(*form().ListBox2) == expectedCommands; }))
        << listTexts(*form().ListBox2).join(", ").toStdString();
    // The sizes come behind the command mask and the bit descriptions.
    EXPECT_TRUE(testing::waitFor([&] {
        return form().link().programMemorySize() ==
               catalogue_.chips[static_cast<std::size_t>(chip)].programMemorySize;
    }));
    // The bit dialogs are built from the programmer's description, captions decoded.
    const auto& description = catalogue_.chips[static_cast<std::size_t>(chip)];
    dialogs::TForm4& lockBits = *windows_->form4();
    dialogs::TForm6& fuseBits = *windows_->form6();
    const auto lastCaption = [](const dialogs::BitDialog& dialog) {
        return dialog.bitCount() == 0 ? QString() : dialog.bitBox(dialog.bitCount() - 1)->text();
    };
    ASSERT_FALSE(description.fuseBits.empty());
    ASSERT_FALSE(description.lockBits.empty());
    EXPECT_TRUE(testing::waitFor([&] {
        return lastCaption(fuseBits) ==
                   QString::fromStdString(description.fuseBits.back().caption) &&
               lastCaption(lockBits) == QString::fromStdString(description.lockBits.back().caption);
    }));
    EXPECT_EQ(fuseBits.bitCount(), static_cast<int>(description.fuseBits.size()));
    EXPECT_EQ(lockBits.bitCount(), static_cast<int>(description.lockBits.size()));

    EXPECT_TRUE(testing::waitFor([&] { return simulator_.framesReceived(249) >= 1; }));
    const auto traffic = simulator_.traffic();
    const auto select = std::find_if(traffic.frames.begin(), traffic.frames.end(),
                                     [](const link::Bytes& frame) { return frame.at(0) == 249; });
    ASSERT_NE(select, traffic.frames.end());
    EXPECT_EQ(*select, (link::Bytes{249, static_cast<std::uint8_t>(chip)}));
}

TEST_F(DevsimEndToEndTest, SilenceDisconnectsAndTheReturnReconnects) {
    ASSERT_TRUE(testing::waitFor([&] { return connected(); }));
    QListWidget* chips = form().ListBox1;
    QTest::mouseClick(chips->viewport(), Qt::LeftButton, {},
                      chips->visualItemRect(chips->item(0)).center());
    ASSERT_TRUE(testing::waitFor([&] { return form().ListBox2->count() > 0; }));

    // Twice the 5 s watchdog: it expires at least once, and the disconnected state lasts long
    // enough to be seen on a busy machine.
    simulator_.goSilent(10s);
    ASSERT_TRUE(testing::waitFor(
        [&] {
            return form().windowTitle() == Disconnected && form().ListBox1->count() == 0 &&
                   form().ListBox2->count() == 0;
        },
        15s));

    EXPECT_TRUE(testing::waitFor([&] { return connected(); }, 30s))
        << "title " << form().windowTitle().toStdString();
    EXPECT_TRUE(prompter_.warnings.isEmpty());
}

TEST_F(DevsimEndToEndTest, ClosingWhileConnectedRunsTheWholeSequence) {
    ASSERT_TRUE(testing::waitFor([&] { return connected(); }));
    EXPECT_TRUE(form().close());
    EXPECT_EQ(windows_->form3(), nullptr);
    EXPECT_FALSE(form().Timer2->isActive());
    // The serial threads keep running until the windows go; events that arrive meanwhile
    // must not disturb anything.
    QTest::qWait(200);
    EXPECT_TRUE(prompter_.warnings.isEmpty());
}

}  // namespace
}  // namespace kelvan::app
