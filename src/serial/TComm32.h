#pragma once

// The serial port component: the line settings as properties, the open sequence, and the
// events raised on the main thread for what the receive and transmit threads report. The
// platform part lives behind PortBackend; everything here is shared by all platforms.

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <utility>

#include "serial/CommNotifier.h"
#include "serial/LineSettings.h"
#include "serial/PortBackend.h"

namespace kelvan::serial {

// Raised by OpenPort: what() is one of the component's fixed Russian texts (UTF-8), port() the
// name it tried, and openResult() why the device did not open (Opened when it did open and a
// later step failed). portErrorText (serial/PortErrorText.h) makes the user's message of it.
class ECommsError : public std::runtime_error {
  public:
    explicit ECommsError(const std::string& text, std::string port = {},
                         OpenResult openResult = OpenResult::Opened)
        : std::runtime_error(text), port_(std::move(port)), openResult_(openResult) {}

    const std::string& port() const { return port_; }
    OpenResult openResult() const { return openResult_; }

  private:
    std::string port_;
    OpenResult openResult_;
};

class TComm32 {
  public:
    explicit TComm32(CommNotifier& notifier);
    // With a given backend (a ForwardingBackend that observes or fails some of its steps).
    TComm32(CommNotifier& notifier, std::unique_ptr<PortBackend> backend);
    ~TComm32();  // stops both threads (stop event, join), then closes the port

    TComm32(const TComm32&) = delete;
    TComm32& operator=(const TComm32&) = delete;

    // Published properties; setters apply at once when the port is open (the driver's answer
    // is not examined, as the port stays usable with its previous settings).
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
    std::uint32_t RxQueue() const;
    void setRxQueue(std::uint32_t size);
    std::uint32_t TxQueue() const;
    void setTxQueue(std::uint32_t size);

    // The line settings record as it stands (the merged driver record once opened).
    const LineSettings& lineSettings() const { return settings_; }

    // Opens and configures CommPort and starts both threads. True when all of that succeeded;
    // false, with the port closed, when the stop signal cannot be created; ECommsError with
    // the matching text for every other failure.
    bool OpenPort();
    // Copies `bytes` to the transmit thread and returns at once; false, sending nothing, when
    // no transmit thread runs. An empty block succeeds and writes nothing.
    bool SendData(std::span<const std::uint8_t> bytes);
    // EscapeSetRts 3, EscapeClrRts 4, EscapeSetDtr 5, EscapeClrDtr 6 (and the break and XON/XOFF
    // escapes); false on a closed port or when the driver refuses.
    bool EscapeFunction(int code);
    // Stops both threads and closes the port. The properties stay as they are, so OpenPort
    // opens it again. Harmless when nothing is open.
    void ClosePort();
    bool isOpen() const;

    // What the threads have reported so far.
    bool receiverStarted() const { return receiverStarted_; }
    bool transmitterStarted() const { return transmitterStarted_; }
    std::uint16_t lastEventMask() const { return lastEventMask_; }
    std::uint16_t lastModemStatus() const { return lastModemStatus_; }

    // Main thread: raise the events for one posted message.
    void handleMessage(const CommMessage& message);

    using NotifyEvent = std::function<void(TComm32&)>;

    // Events (assigned by the owner; only OnReceiveData is used by the program). The bytes
    // given to OnReceiveData stay valid only during the call and are followed by a zero byte.
    // receivedAt is when the receive thread read them. It travels as an argument rather than
    // as a property of the component, because a handler that opens a modal box receives the
    // next blocks in nested calls, which would overwrite a stored stamp under it.
    std::function<void(const std::uint8_t* buffer, std::uint16_t length, ReceiveTime receivedAt)>
        OnReceiveData;
    NotifyEvent OnRequestHangup;
    NotifyEvent OnCommEvent;
    std::function<void(TComm32&, std::uint32_t errorCode)> OnError;
    NotifyEvent OnEventChar;
    NotifyEvent OnBreak;
    NotifyEvent OnTXEMPTY;
    NotifyEvent OnRX80FULL;
    NotifyEvent OnPERR;
    NotifyEvent OnChangeCTS;
    NotifyEvent OnSetCTS;
    NotifyEvent OnClearCTS;
    NotifyEvent OnChangeDSR;
    NotifyEvent OnSetDSR;
    NotifyEvent OnClearDSR;
    NotifyEvent OnChangeRing;
    NotifyEvent OnSetRing;
    NotifyEvent OnClearRing;
    NotifyEvent OnChangeRLSD;
    NotifyEvent OnSetRLSD;
    NotifyEvent OnClearRLSD;

  private:
    void applySettings();
    void applyQueueSizes();
    void raiseLineEvents(std::uint32_t mask, std::uint32_t status, std::uint32_t errors);
    void deliver(std::span<const std::uint8_t> bytes, ReceiveTime receivedAt);

    CommNotifier& notifier_;
    std::unique_ptr<PortBackend> backend_;
    std::string commPort_ = "COM2";
    LineSettings settings_;
    std::uint32_t rxQueue_ = 4096;
    std::uint32_t txQueue_ = 4096;
    bool receiverStarted_ = false;
    bool transmitterStarted_ = false;
    std::uint16_t lastEventMask_ = 0;
    std::uint16_t lastModemStatus_ = 0;
};

}  // namespace kelvan::serial
