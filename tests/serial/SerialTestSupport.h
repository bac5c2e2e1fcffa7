#pragma once

// What the serial tests share: the queueing notifier, the far end of a pseudo-terminal line, a
// backend whose steps can be made to fail, and fd counting.

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "QueueNotifier.h"
#include "devsim/PseudoTerminal.h"
#include "ForwardingBackend.h"
#include "serial/TComm32.h"

namespace kelvan::serial::test {

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
