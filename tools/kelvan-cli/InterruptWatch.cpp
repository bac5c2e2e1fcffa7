#include "InterruptWatch.h"

#include <atomic>
#include <csignal>

#ifndef _WIN32
#include <signal.h>
#endif

namespace kelvan::cli {
namespace {

std::atomic<int> caughtSignal{0};
static_assert(std::atomic<int>::is_always_lock_free,
              "the signal handler may only touch lock-free atomics");

extern "C" void noteSignal(int number) {
    int none = 0;
    caughtSignal.compare_exchange_strong(none, number);
}

}  // namespace

#ifdef _WIN32

// The C runtime resets a handler to the default before it calls it.
bool InterruptWatch::install() {
    return std::signal(SIGINT, noteSignal) != SIG_ERR &&
           std::signal(SIGTERM, noteSignal) != SIG_ERR;
}

#else

bool InterruptWatch::install() {
    struct sigaction action {};
    action.sa_handler = noteSignal;
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    if (sigemptyset(&action.sa_mask) != 0) {
        return false;
    }
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

#endif

int InterruptWatch::caught() {
    return caughtSignal.load();
}

}  // namespace kelvan::cli
