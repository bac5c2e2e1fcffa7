#pragma once

// Catches every error box while alive, so that no test blocks on a modal box; shared by the
// dialog and window tests. A box can also stay open while something happens behind it, as it
// would while a user reads it.

#include "widgets/ErrorBox.h"

#include <QStringList>

#include <functional>

namespace kelvan::dialogs::test {

class ErrorBoxRecorder {
  public:
    ErrorBoxRecorder()
        : previous_(widgets::setErrorBoxHandler([this](QWidget*, const QString& text) {
              shown << text;
              if (whileOpen) {
                  whileOpen();
              }
          })) {}
    ~ErrorBoxRecorder() { widgets::setErrorBoxHandler(previous_); }
    ErrorBoxRecorder(const ErrorBoxRecorder&) = delete;
    ErrorBoxRecorder& operator=(const ErrorBoxRecorder&) = delete;

    QStringList shown;  // the texts as the boxes would have shown them
    // Runs while each box is open, typically an event loop waiting for something, as the one
    // of a real modal box would run; unset, the box closes at once.
    std::function<void()> whileOpen;

  private:
    widgets::ErrorBoxHandler previous_;
};

}  // namespace kelvan::dialogs::test
