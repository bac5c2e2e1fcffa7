#pragma once

#include <cstdint>
#include <span>

#include "link/LinkPorts.h"
#include "serial/TComm32.h"

namespace kelvan::serial {

// The link's outgoing frames go to the component's SendData. Header-only, so that the serial
// library itself does not depend on the link; whoever joins the two links both.
class CommSink : public link::ByteSink {
  public:
    explicit CommSink(TComm32& comm) : comm_(comm) {}
    bool sendData(std::span<const std::uint8_t> bytes) override { return comm_.SendData(bytes); }
    std::uint32_t bitRate() const override { return comm_.BaudRate(); }

  private:
    TComm32& comm_;
};

}  // namespace kelvan::serial
