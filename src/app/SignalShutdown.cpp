#include "app/SignalShutdown.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <system_error>

#include "app/TForm1.h"

namespace kelvan::app {
namespace {

using namespace std::chrono_literals;

constexpr std::array<int, 3> WatchedSignals{SIGTERM, SIGINT, SIGHUP};
// Long enough for a dismissed box's loop to return before the next step looks again.
constexpr auto SweepInterval = 50ms;

// The pipe's write end, for the handler; -1 while no instance exists.
volatile sig_atomic_t writeFd = -1;

// Async-signal-safe: write() and errno only. A full pipe already holds a signal to act on.
extern "C" void onTerminationSignal(int number) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(writeFd, &byte, 1);
    errno = savedErrno;
}

[[noreturn]] void throwSystemError(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

SignalShutdown::SignalShutdown() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        throwSystemError("pipe2");
    }
    readFd_ = fds[0];
    writeFd = fds[1];
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : WatchedSignals) {
        if (::sigaction(number, &action, nullptr) != 0) {
            throwSystemError("sigaction");
        }
    }
    notifier_ = std::make_unique<QSocketNotifier>(readFd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readPipe(); });
    sweepTimer_.setInterval(SweepInterval);
    connect(&sweepTimer_, &QTimer::timeout, this, [this] { sweep(); });
}

SignalShutdown::~SignalShutdown() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : WatchedSignals) {
        ::sigaction(number, &action, nullptr);
    }
    notifier_.reset();
    ::close(writeFd);
    writeFd = -1;
    ::close(readFd_);
}

void SignalShutdown::closeOnSignal(TForm1& form) {
    form_ = &form;
}

void SignalShutdown::readPipe() {
    unsigned char numbers[16];
    ssize_t count = 0;
    while ((count = ::read(readFd_, numbers, sizeof numbers)) > 0) {
        // Later signals (a logout may send more than one) join the shutdown under way.
        if (!signalled_) {
            signalled_ = true;
            std::fprintf(stderr, "kelvan: signal %d, closing\n", numbers[0]);
            sweepTimer_.start();
        }
    }
}

// A modal box or dialog runs its own event loop; closing the window from inside it would
// destroy the settings dialog under its exec(). So each step either dismisses what is open
// or, a step after nothing more had to be dismissed, closes the window.
void SignalShutdown::sweep() {
    bool dismissed = false;
    if (QWidget* popup = QApplication::activePopupWidget()) {
        popup->close();
        dismissed = true;
    }
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
        if (const auto* box = qobject_cast<const QMessageBox*>(dialog)) {
            std::fprintf(stderr, "kelvan: closed on exit: %s\n",
                         qUtf8Printable(box->text().simplified()));
        }
        dialog->reject();
        dismissed = true;
    }
    const bool settled = !dismissed && !dismissedLastTime_;
    dismissedLastTime_ = dismissed;
    if (!settled || form_ == nullptr || closeStarted_) {
        return;
    }
    closeStarted_ = form_->closeUnasked();
}

}  // namespace kelvan::app
