#pragma once

// Catches every error box while alive, so that no test blocks on a modal box; shared by the
// dialog and window tests. A box can also be held open for a while, as a user reading it would.

#include "dialogs/ErrorBox.h"

#include <QStringList>
#include <QTest>

#include <chrono>

namespace kelvan::dialogs::test {

// A box left open for `duration`: the event loop runs meanwhile, as under a real modal box.
inline void holdBoxOpen(std::chrono::milliseconds duration) {
    if (duration.count() > 0) {
        QTest::qWait(static_cast<int>(duration.count()));
    }
}

class ErrorBoxRecorder {
  public:
    ErrorBoxRecorder()
        : previous_(setErrorBoxHandler([this](QWidget*, const QString& text) {
              shown << text;
              holdBoxOpen(holdOpen);
          })) {}
    ~ErrorBoxRecorder() { setErrorBoxHandler(previous_); }
    ErrorBoxRecorder(const ErrorBoxRecorder&) = delete;
    ErrorBoxRecorder& operator=(const ErrorBoxRecorder&) = delete;

    QStringList shown;                      // the texts as the boxes would have shown them
    std::chrono::milliseconds holdOpen{0};  // how long each box stays open; 0: closed at once

  private:
    ErrorBoxHandler previous_;
};

}  // namespace kelvan::dialogs::test
