#pragma once

#include <cstdint>
#include <span>
#include <type_traits>

#include "link/LinkPorts.h"
#include "serial/TComm32.h"

namespace kelvan::session {

// The receive thread stamps its blocks and the link compares those stamps with the moments it
// handed frames to this sink: both must be read off one clock.
static_assert(std::is_same_v<serial::ReceiveTime, link::LinkTime>,
              "the receive stamps and the link's time must come from the same clock");

// The link's outgoing frames go to the component's SendData. Header-only, so that the serial
// library itself does not depend on the link; whoever joins the two links both.
class CommSink : public link::ByteSink {
  public:
    explicit CommSink(serial::TComm32& comm) : comm_(comm) {}
    bool sendData(std::span<const std::uint8_t> bytes) override { return comm_.SendData(bytes); }
    std::uint32_t bitRate() const override { return comm_.BaudRate(); }

  private:
    serial::TComm32& comm_;
};

}  // namespace kelvan::session
