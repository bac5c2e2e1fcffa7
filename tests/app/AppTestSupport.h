#pragma once

// Shared by the window tests: a prompter that answers from a script instead of a user, the
// settings the program starts with, and waiting for the event loop to bring a condition about.

#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "ErrorBoxRecorder.h"
#include "app/TForm1.h"
#include "widgets/Prompter.h"

namespace kelvan::app::testing {

class ScriptedPrompter : public widgets::Prompter {
  public:
    Answer answer = Answer::Cancel;  // to every Yes/No/Cancel question
    bool yes = true;                 // to every Yes/No question
    // The name the save dialog returns; nothing is a cancelled dialog.
    std::optional<QString> saveName;
    QStringList questions;  // both kinds, in order
    QStringList savePresets;
    QStringList warnings;
    QStringList errors;
    // Runs while the warning box is open (see ErrorBoxRecorder::whileOpen).
    std::function<void()> whileWarningOpen;

    Answer askYesNoCancel(QWidget*, const QString& text) override {
        questions << text;
        return answer;
    }
    bool askYesNo(QWidget*, const QString& text) override {
        questions << text;
        return yes;
    }
    std::optional<QString> askSaveFileName(QWidget*, const QString& preset) override {
        savePresets << preset;
        return saveName;
    }
    void showWarning(QWidget*, const QString& text) override {
        warnings << text;
        if (whileWarningOpen) {
            whileWarningOpen();
        }
    }
    void showError(QWidget*, const QString& text) override { errors << text; }
};

// Stores the port settings the settings dialog reads at start-up.
void writePortSettings(const QString& port, int bitRate = 56000);

// Runs the event loop until condition holds or timeout passes; returns whether it holds.
bool waitFor(const std::function<bool()>& condition,
             std::chrono::milliseconds timeout = std::chrono::seconds(15));

// The commands waiting in the window's queue, head first.
std::vector<link::Bytes> queuedCommands(TForm1& form);

// Waits until the file at path shows in the window's file list, then presses and releases
// button over it as a user picking it does; false when it never showed.
bool clickFile(TForm1& form, const QString& path, Qt::MouseButton button = Qt::LeftButton);

}  // namespace kelvan::app::testing
