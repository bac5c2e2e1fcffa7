#include "session/TimerWatchdog.h"

#include <QTimer>

namespace kelvan::session {

TimerWatchdog::TimerWatchdog(QTimer& timer) : timer_(timer) {
    timer_.setInterval(5000);
    timer_.setSingleShot(false);
    timer_.setTimerType(Qt::PreciseTimer);
}

void TimerWatchdog::restart() {
    timer_.start();
}

}  // namespace kelvan::session
