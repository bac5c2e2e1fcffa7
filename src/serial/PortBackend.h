#pragma once

// The platform seam of the serial component: one device, its line settings, its stop signal
// and its two worker threads. TComm32 runs the open sequence and the property rules over this
// interface; PosixPort and Win32Port implement it. Main thread only, except where noted.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "serial/CommNotifier.h"
#include "serial/LineSettings.h"

namespace kelvan::serial {

// What became of an open: Opened, or why the device is not open, as far as the platform says.
enum class OpenResult {
    Opened,
    NoSuchDevice,   // nothing by that name, or the device behind it has gone
    AccessDenied,   // the user may not open it
    HeldElsewhere,  // another program holds it
    NotCommPort,    // it opens but is no serial device; closed again
    CannotOpen,     // refused for any other reason
};

class PortBackend {
  public:
    virtual ~PortBackend() = default;

    // Opens `name` for reading and writing, exclusively. Anything but Opened leaves the backend
    // closed and names the reason.
    virtual OpenResult open(const std::string& name) = 0;
    virtual bool isOpen() const = 0;

    // The driver's current line settings, and applying a full set; setState is false when the
    // driver refuses any of them.
    virtual bool getState(LineSettings& settings) = 0;
    virtual bool setState(const LineSettings& settings) = 0;
    virtual bool setupQueues(std::uint32_t rxSize, std::uint32_t txSize) = 0;

    // The stop signal both threads watch; false when it cannot be created.
    virtual bool createStopEvent() = 0;
    // Start the receive and the transmit thread, posting to `notifier`; false when the thread
    // cannot be created.
    virtual bool startReceiveThread(CommNotifier& notifier) = 0;
    virtual bool startTransmitThread(CommNotifier& notifier) = 0;

    // Copies `bytes` to the transmit thread's queue; false when no transmit thread runs.
    virtual bool send(std::span<const std::uint8_t> bytes) = 0;
    // RTS, DTR, break and XON/XOFF escapes; false when closed or the driver refuses.
    virtual bool escape(int code) = 0;

    // Signals stop, waits for both threads, then closes the stop signal and the device.
    // Harmless when nothing is open.
    virtual void close() = 0;
};

// The backend of the platform the program was built for.
std::unique_ptr<PortBackend> createPortBackend();

}  // namespace kelvan::serial
