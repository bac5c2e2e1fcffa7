#pragma once

// The serial port component. DRAFT CONTRACT: the serial implementer owns this file and may
// add members, private state and further headers (backends, threads), but keeps the public
// names and meanings below, which the main window and the settings dialog use.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

namespace kelvan::serial {

enum class TBytesize { sz_4, sz_5, sz_6, sz_7, sz_8 };
enum class TParity { pNone, pOdd, pEven, pMark, pSpace };
enum class TStopBits { sb1_0, sb1_5, sb2_0 };
enum class TFlowControl { fcNone, fcHardware1, fcHardware2, fcSoftware };

// Raised by OpenPort with one of the component's fixed Russian texts (UTF-8).
class ECommsError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One notification from a worker thread to the main thread.
struct CommMessage {
    enum class Kind { RxData, Hangup, Started, Event };
    Kind kind;
    std::uint32_t wParam = 0;          // Started: 0 receive, 1 transmit thread
    std::uint32_t lParam = 0;          // Event: low 16 bits mask, high 16 bits modem status
    std::vector<std::uint8_t> block;   // RxData: the received bytes (at most 4095)
};

// The "notification window": worker threads post to it; its owner hands every message back to
// TComm32::handleMessage on the main thread, in posting order. The application implements it
// with Qt's event loop, tests with a queue they drain.
class CommNotifier {
public:
    virtual ~CommNotifier() = default;
    virtual void post(CommMessage message) = 0;  // called from any thread
};

class TComm32 {
public:
    explicit TComm32(CommNotifier& notifier);
    ~TComm32();  // stops both threads (stop event, join), then closes the port

    // Published properties; setters apply at once when the port is open.
    std::string CommPort() const;
    void setCommPort(const std::string& name);
    std::uint32_t BaudRate() const;
    void setBaudRate(std::uint32_t rate);
    TBytesize ByteSize() const;
    void setByteSize(TBytesize size);
    TParity Parity() const;
    void setParity(TParity parity);
    TStopBits StopBits() const;
    void setStopBits(TStopBits bits);
    TFlowControl FlowControl() const;
    void setFlowControl(TFlowControl flow);
    char EventChar() const;
    void setEventChar(char c);

    bool OpenPort();                                  // throws ECommsError
    bool SendData(std::span<const std::uint8_t> bytes);  // a copy and a hand-off, never waits
    bool EscapeFunction(int code);                    // SETRTS 3, CLRRTS 4, SETDTR 5, CLRDTR 6
    bool isOpen() const;

    // Main thread: raise the events for one posted message.
    void handleMessage(const CommMessage& message);

    // Events (assigned by the owner; only OnReceiveData is used by the program).
    std::function<void(const std::uint8_t* buffer, std::uint16_t length)> OnReceiveData;
    std::function<void(TComm32&)> OnRequestHangup;
};

}  // namespace kelvan::serial
