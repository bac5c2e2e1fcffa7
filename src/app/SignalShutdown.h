#pragma once

// Ends the program by a termination signal (SIGTERM, SIGINT, SIGHUP: a logout, kill, Ctrl-C in
// the terminal that started it) the way a user closing the main window would, so the settings
// and options are stored and the port's lines dropped. POSIX only.
//
// The handler only writes the signal's number into a pipe; a QSocketNotifier on the other end
// brings it to the event loop, where everything else happens. Boxes that are open then (which
// no one may be there to answer) are dismissed, their texts written to standard error, and the
// window is closed once no modal loop of theirs is left on the stack.

#include <QObject>
#include <QTimer>
#include <memory>

class QSocketNotifier;

namespace kelvan::app {

class TForm1;

class SignalShutdown : public QObject {
    Q_OBJECT
  public:
    // Installs the handlers. Throws std::system_error when the pipe or a handler cannot be set
    // up. One instance at a time.
    SignalShutdown();
    // Restores the default actions.
    ~SignalShutdown() override;
    SignalShutdown(const SignalShutdown&) = delete;
    SignalShutdown& operator=(const SignalShutdown&) = delete;

    // The window a signal closes (TForm1::closeUnasked). A signal that came earlier, while the
    // windows were still being made, closes it now.
    void closeOnSignal(TForm1& form);

  private:
    void readPipe();
    // One step of the shutdown, every SweepInterval: dismiss what is open, or close.
    void sweep();

    int readFd_ = -1;
    std::unique_ptr<QSocketNotifier> notifier_;
    QTimer sweepTimer_;
    TForm1* form_ = nullptr;
    bool signalled_ = false;
    bool dismissedLastTime_ = false;
    bool closeStarted_ = false;
};

}  // namespace kelvan::app
