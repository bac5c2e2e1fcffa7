#pragma once

// A notifier for programs without an event loop: the worker threads queue their messages, and
// the program's own main thread drains them into the component. Plain C++, so that the tests
// on Linux and the Windows program run under Wine share it.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

#include "serial/TComm32.h"

namespace kelvan::serial::test {

// Long enough for a loaded 2-core machine; waits end as soon as their condition holds.
inline constexpr std::chrono::seconds IoTimeout{20};

// Queues every posted message; the test thread plays the main thread and drains it.
class QueueNotifier : public CommNotifier {
  public:
    void post(CommMessage message) override;

    // Waits until `ready` holds for the messages queued so far; false on time-out.
    bool waitUntil(const std::function<bool(const std::deque<CommMessage>&)>& ready,
                   std::chrono::milliseconds timeout = IoTimeout);
    // Waits for at least `count` messages of `kind`.
    bool waitForKind(CommMessage::Kind kind, std::size_t count = 1);
    // Hands every queued message to `comm` in order.
    void drainInto(TComm32& comm);
    std::deque<CommMessage> take();

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<CommMessage> messages_;
};

std::size_t countKind(const std::deque<CommMessage>& messages, CommMessage::Kind kind);

}  // namespace kelvan::serial::test
