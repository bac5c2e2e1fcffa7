#pragma once

// The link's watchdog on a QTimer, as the window (its Timer2) and kelvan-cli run it.

#include "link/LinkPorts.h"

class QTimer;

namespace kelvan::session {

class TimerWatchdog : public link::WatchdogTimer {
  public:
    // Sets `timer` to the watchdog's 5 s, repeating, on a precise timer: a coarse one may fire
    // 5 % early and declare a programmer lost that keeps its 5 s. The owner connects the
    // timeout to ProgrammerLink::watchdogExpired and starts the timer.
    explicit TimerWatchdog(QTimer& timer);

    // A running timer starts its interval over.
    void restart() override;

  private:
    QTimer& timer_;
};

}  // namespace kelvan::session
