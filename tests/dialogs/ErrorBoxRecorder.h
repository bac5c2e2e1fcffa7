#pragma once

// Catches every error box while alive, so that no test blocks on a modal box; shared by the
// dialog and window tests.

#include "dialogs/ErrorBox.h"

#include <QStringList>

namespace kelvan::dialogs::test {

class ErrorBoxRecorder {
  public:
    ErrorBoxRecorder()
        : previous_(setErrorBoxHandler([this](QWidget*, const QString& text) { shown << text; })) {}
    ~ErrorBoxRecorder() { setErrorBoxHandler(previous_); }
    ErrorBoxRecorder(const ErrorBoxRecorder&) = delete;
    ErrorBoxRecorder& operator=(const ErrorBoxRecorder&) = delete;

    QStringList shown;  // the texts as the boxes would have shown them

  private:
    ErrorBoxHandler previous_;
};

}  // namespace kelvan::dialogs::test
