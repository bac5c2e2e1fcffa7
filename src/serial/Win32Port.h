#pragma once

// The Windows backend of the serial component: an overlapped COM port, a receive thread that
// keeps one read and one line-event wait outstanding, and a transmit thread that writes the
// queued blocks in order. scripts/wine-serial runs it under Wine on a pseudo-terminal, which,
// as on Linux, has no modem lines: the driver refuses line-event waits (the port works on
// without line events) and the RTS/DTR escapes (EscapeFunction returns false).

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "serial/BackendThreads.h"
#include "serial/BlockQueue.h"
#include "serial/PortBackend.h"

namespace kelvan::serial {

// An OVERLAPPED record with its own manual-reset completion event, created signalled.
class Overlapped {
  public:
    Overlapped();
    ~Overlapped();
    Overlapped(const Overlapped&) = delete;
    Overlapped& operator=(const Overlapped&) = delete;

    bool valid() const { return record_.hEvent != nullptr; }
    OVERLAPPED* get() { return &record_; }
    HANDLE event() const { return record_.hEvent; }

  private:
    OVERLAPPED record_;
};

// The device I/O calls of the two threads, each with the signature of the Win32 function it
// stands for. A test replaces one to fail as a removed device does (ERROR_DEVICE_REMOVED,
// ERROR_ACCESS_DENIED, ERROR_OPERATION_ABORTED), which no driver under test can be made to do.
// The waits for operations cancelled on the way out always make the real call: they must end
// before the records and buffers of those operations are released.
struct Win32Io {
    decltype(&::ReadFile) readFile = &::ReadFile;
    decltype(&::WriteFile) writeFile = &::WriteFile;
    decltype(&::GetOverlappedResult) overlappedResult = &::GetOverlappedResult;
};

// Armed: an operation is outstanding. Refused: the driver cannot wait for line events at all
// (Wine on a pseudo-terminal, some virtual COM ports), which only the line-event wait reports.
enum class Arm { Armed, Stopped, Failed, Refused };

class Win32Port : public PortBackend {
  public:
    explicit Win32Port(Win32Io io = {}) : io_(io) {}
    ~Win32Port() override { close(); }
    Win32Port(const Win32Port&) = delete;
    Win32Port& operator=(const Win32Port&) = delete;

    OpenResult open(const std::string& name) override;
    bool isOpen() const override { return port_ != nullptr; }
    bool getState(LineSettings& settings) override;
    bool setState(const LineSettings& settings) override;
    bool setupQueues(std::uint32_t rxSize, std::uint32_t txSize) override;
    bool createStopEvent() override;
    bool startReceiveThread(CommNotifier& notifier) override;
    bool startTransmitThread(CommNotifier& notifier) override;
    bool send(std::span<const std::uint8_t> bytes) override;
    bool escape(int code) override;
    void close() override;

  private:
    // Receive thread.
    void receiveLoop(CommNotifier& notifier);
    Arm armRead(CommNotifier& notifier, Overlapped& read, std::vector<std::uint8_t>& buffer,
                bool& pending);
    Arm armEventWait(CommNotifier& notifier, Overlapped& wait, DWORD& mask, bool& pending);
    bool completeLineEvent(CommNotifier& notifier, Overlapped& wait, DWORD mask, bool pending);
    void reportInitialLines(CommNotifier& notifier);

    // Transmit thread.
    void transmitLoop(CommNotifier& notifier);
    bool writeBlock(CommNotifier& notifier, Overlapped& write,
                    const std::vector<std::uint8_t>& block);

    const Win32Io io_;
    HANDLE port_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE wake_ = nullptr;  // auto-reset: set for every block put on queue_
    // The line-error flags ClearCommError last returned; receive thread only, reset for each.
    DWORD errorFlags_ = 0;
    BlockQueue queue_;
    std::thread receiver_;
    std::thread transmitter_;
};

}  // namespace kelvan::serial
