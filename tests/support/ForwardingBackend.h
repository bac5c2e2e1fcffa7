#pragma once

// A backend that hands every step to the platform's own: the base for wrappers that observe
// a step or make it fail, overriding only that step.

#include <memory>

#include "serial/PortBackend.h"

namespace kelvan::serial {

class ForwardingBackend : public PortBackend {
  public:
    ForwardingBackend() : real_(createPortBackend()) {}

    OpenResult open(const std::string& name) override { return real_->open(name); }
    bool isOpen() const override { return real_->isOpen(); }
    bool getState(LineSettings& settings) override { return real_->getState(settings); }
    bool setState(const LineSettings& settings) override { return real_->setState(settings); }
    bool setupQueues(std::uint32_t rxSize, std::uint32_t txSize) override {
        return real_->setupQueues(rxSize, txSize);
    }
    bool createStopEvent() override { return real_->createStopEvent(); }
    bool startReceiveThread(CommNotifier& notifier) override {
        return real_->startReceiveThread(notifier);
    }
    bool startTransmitThread(CommNotifier& notifier) override {
        return real_->startTransmitThread(notifier);
    }
    bool send(std::span<const std::uint8_t> bytes) override { return real_->send(bytes); }
    bool escape(int code) override { return real_->escape(code); }
    void close() override { real_->close(); }

  private:
    std::unique_ptr<PortBackend> real_;
};

}  // namespace kelvan::serial
