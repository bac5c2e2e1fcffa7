#pragma once

// The program's windows, with their real serial component and link, against the simulated
// programmer on a pseudo-terminal: a fixture that starts both, and the steps the end-to-end
// tests take through the window.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "AppTestSupport.h"
#include "ErrorBoxRecorder.h"
#include "ScratchFolder.h"
#include "WireOnFailure.h"
#include "app/Application.h"
#include "app/TForm1.h"
#include "devsim/Catalogue.h"
#include "devsim/Simulator.h"
#include "link/Commands.h"

namespace kelvan::app::testing {

using Frames = std::vector<link::Bytes>;

inline QStringList listTexts(const QListWidget& list) {
    QStringList texts;
    for (int row = 0; row < list.count(); ++row) {
        texts << list.item(row)->text();
    }
    return texts;
}

class SimulatedProgrammer : public ::testing::Test {
  protected:
    void TearDown() override {
        kelvan::test::printWireIfFailed("the program", wireText_.str());
        stopProgram();
    }

    // Starts the programmer with options and the program on its link when the options name
    // one, else on its terminal, the window shown.
    void startProgram(devsim::SimulatorOptions options = {}) {
        const std::string link = options.linkPath;
        startSimulator(std::move(options));
        startWindows(QString::fromStdString(link.empty() ? simulator_->slavePath() : link));
        form().show();
    }
    void startSimulator(devsim::SimulatorOptions options) {
        simulator_ = std::make_unique<devsim::Simulator>(std::move(options));
        simulator_->start();
    }
    // Creates the windows on port, not shown yet: the start-up error boxes come in here.
    void startWindows(const QString& port) {
        writePortSettings(port, lineBitRate_);
        windows_.reset();  // its link must not outlive the trace it writes to
        wire_ = std::make_unique<link::WireTrace>(wireText_, std::chrono::steady_clock::now());
        windows_ = std::make_unique<Application>(prompter_, wire_.get());
    }
    void stopProgram() {
        windows_.reset();
        if (simulator_) {
            simulator_->stop();
        }
    }

    // The stored bit rate: how fast the host takes frames to cross the line (the simulator
    // itself is not paced unless its options say so).
    int lineBitRate_ = 56000;

    TForm1& form() { return windows_->form1(); }
    bool idle() { return form().link().queueLength() == 0; }
    // A stable device name for the programmer (as /dev/serial/by-id has), for
    // SimulatorOptions::linkPath: the simulator points it at each new terminal.
    std::string linkPath() const { return (linkFolder_.path() / "programmer").string(); }

    // The start-up conversation has run: the title and the whole chip list are in.
    bool connected() { return connected(form()); }
    // As above, for a window that Application is still creating (a start-up box is open).
    bool connected(const TForm1& window) const {
        QStringList chips;
        for (const auto& chip : catalogue_.chips) {
            chips << QString::fromStdString(chip.name);
        }
        return window.windowTitle() == QString::fromStdString(catalogue_.title) &&
               listTexts(*window.ListBox1) == chips;
    }
    // The lost programmer shows: the caption says so and both lists are empty.
    bool disconnected() {
        return form().windowTitle() == QStringLiteral("Программатор не подключен") &&
               form().ListBox1->count() == 0 && form().ListBox2->count() == 0;
    }

    // Does action and waits until the commands it queued have run; returns the frames they put
    // on the wire, a frame sent again at once counted once (a ready that crosses a command on a
    // loaded machine legitimately has it sent again). The programmer, waiting since its last
    // ready, is asked for the next one at once rather than at the end of its idle interval.
    Frames wireOf(const std::function<void()>& action,
                  std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        const std::size_t mark = simulator_->traffic().frames.size();
        action();
        simulator_->offerReadyNow();
        EXPECT_TRUE(waitFor([&] { return idle(); }, timeout));
        const Frames all = simulator_->traffic().frames;
        Frames frames(all.begin() + static_cast<std::ptrdiff_t>(mark), all.end());
        frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
        return frames;
    }

    // Clicks the chip's line in the chip list and waits until the commands it queued have run.
    Frames chooseChip(std::size_t chip) {
        QListWidget* chips = form().ListBox1;
        return wireOf([&] {
            QTest::mouseClick(chips->viewport(), Qt::LeftButton, {},
                              chips->visualItemRect(chips->item(static_cast<int>(chip))).center());
        });
    }

    // Clicks the command-list line of code and waits until the commands it queued have run.
    Frames run(std::uint8_t code, std::chrono::milliseconds timeout = std::chrono::seconds(30)) {
        QListWidget* commands = form().ListBox2;
        const std::string_view name = link::CommandNameTable[code];
        const auto found = commands->findItems(
            QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())), Qt::MatchExactly);
        EXPECT_EQ(found.size(), 1) << "command " << int{code} << " not offered";
        if (found.size() != 1) {
            return {};
        }
        return wireOf(
            [&] {
                QTest::mouseClick(commands->viewport(), Qt::LeftButton, {},
                                  commands->visualItemRect(found.front()).center());
            },
            timeout);
    }

    test::ScratchFolder linkFolder_;
    const devsim::Catalogue& catalogue_ = devsim::standardCatalogue();
    std::unique_ptr<devsim::Simulator> simulator_;
    ScriptedPrompter prompter_;
    // Every frame of the runs, for a failing test's output.
    std::ostringstream wireText_;
    std::unique_ptr<link::WireTrace> wire_;
    dialogs::test::ErrorBoxRecorder errorBoxes_;  // installed before the windows, removed after
    std::unique_ptr<Application> windows_;
};

}  // namespace kelvan::app::testing
