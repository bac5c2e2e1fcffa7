#pragma once

// The Linux backend of the serial component: a terminal device opened exclusively and
// non-blocking, a receive thread that delivers each burst once the line has been idle for
// just over 1 ms, a transmit thread that writes queued blocks in order, and a helper that
// waits for modem-line changes where the driver supports it.
//
// Where Linux differs from the Win32 drivers:
// - Queue sizes (RxQueue, TxQueue) are the driver's own; setupQueues changes nothing.
// - Line events are modem-line changes only (CTS, DSR, ring, RLSD); line errors, breaks and
//   the event character are not reported.
// - A pseudo-terminal has no modem lines: no line events, and the RTS/DTR escapes fail
//   (EscapeFunction returns false). Its driver also answers parity and 5-7 data bits with 8N,
//   so those settings are refused there.
// - 1.5 stop bits exist only with 5 data bits, where the UART's "two stop bits" is 1.5.
// - DTR is left as the driver raises it on open; the program drops it itself right after.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "serial/BackendThreads.h"
#include "serial/BlockQueue.h"
#include "serial/PortBackend.h"

namespace kelvan::serial {

class PosixPort : public PortBackend {
  public:
    PosixPort() = default;
    ~PosixPort() override;
    PosixPort(const PosixPort&) = delete;
    PosixPort& operator=(const PosixPort&) = delete;

    OpenResult open(const std::string& name) override;
    bool isOpen() const override { return fd_ >= 0; }
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
    void receiveLoop(CommNotifier& notifier);
    void transmitLoop(CommNotifier& notifier);
    TransmitWait waitForBlock();
    bool writeBlock(CommNotifier& notifier, const std::vector<std::uint8_t>& block);
    void startModemWatcher(CommNotifier& notifier, std::uint32_t status);
    void modemWatchLoop(CommNotifier& notifier, std::uint32_t status);
    void stopModemWatcher();

    int fd_ = -1;
    // This component put the device into exclusive mode, so closing must take it out again.
    bool exclusiveSet_ = false;
    int stopFd_ = -1;  // eventfd, written once to stop every thread
    int wakeFd_ = -1;  // eventfd, written for every block put on queue_
    std::atomic<bool> stopping_{false};
    BlockQueue queue_;
    std::thread receiver_;
    std::thread transmitter_;

    // Started by the receive thread, stopped by close() after the receive thread has ended.
    std::thread modemWatcher_;
    std::mutex modemWatcherMutex_;
    std::condition_variable modemWatcherEnded_;
    bool modemWatcherDone_ = false;
};

}  // namespace kelvan::serial
