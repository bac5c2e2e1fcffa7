#pragma once

// What the serial tests share: a notifier that queues messages for the test's own "main
// thread", the far end of a pseudo-terminal line, a backend whose steps can be made to fail, and fd
// counting.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>
#include <vector>

#include "devsim/PseudoTerminal.h"
#include "serial/ForwardingBackend.h"
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

// The far end of the component's line: the component opens slavePath(); the test plays the
// programmer on the master side and inspects the line settings through slaveFd(). The slave
// starts with the system's defaults, so what the tests see there is what the component applied.
class PtyPair : public devsim::PseudoTerminal {
  public:
    PtyPair() : PseudoTerminal(SlaveMode::AsCreated) {}

    // Up to `count` bytes from the master side; fewer when the line ends or IoTimeout passes.
    std::vector<std::uint8_t> readMaster(std::size_t count);
};

std::size_t countOpenFds();

// The platform backend with steps that can be made to fail, and a record of queue sizes.
class ScriptedBackend : public ForwardingBackend {
  public:
    bool failStopEvent = false;
    bool failReceiveThread = false;
    bool failTransmitThread = false;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> queueSizes;

    bool setupQueues(std::uint32_t rxSize, std::uint32_t txSize) override {
        queueSizes.emplace_back(rxSize, txSize);
        return ForwardingBackend::setupQueues(rxSize, txSize);
    }
    bool createStopEvent() override {
        return !failStopEvent && ForwardingBackend::createStopEvent();
    }
    bool startReceiveThread(CommNotifier& notifier) override {
        return !failReceiveThread && ForwardingBackend::startReceiveThread(notifier);
    }
    bool startTransmitThread(CommNotifier& notifier) override {
        return !failTransmitThread && ForwardingBackend::startTransmitThread(notifier);
    }
};

std::vector<std::uint8_t> patternBytes(std::size_t count, std::uint8_t seed);

}  // namespace kelvan::serial::test
