#include "serial/TComm32.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

namespace kelvan::serial {

namespace {

constexpr int ByteSizeOffset = 4;  // TBytesize ordinal + 4 = data bits

}  // namespace

TComm32::TComm32(CommNotifier& notifier) : TComm32(notifier, createPortBackend()) {}

TComm32::TComm32(CommNotifier& notifier, std::unique_ptr<PortBackend> backend)
    : notifier_(notifier), backend_(std::move(backend)) {}

TComm32::~TComm32() {
    backend_->close();
}

std::string TComm32::CommPort() const {
    return commPort_;
}

void TComm32::setCommPort(const std::string& name) {
    commPort_ = name;
}

std::uint32_t TComm32::BaudRate() const {
    return settings_.BaudRate;
}

void TComm32::setBaudRate(std::uint32_t rate) {
    settings_.BaudRate = rate;
    applySettings();
}

TBytesize TComm32::ByteSize() const {
    return static_cast<TBytesize>(settings_.ByteSize - ByteSizeOffset);
}

void TComm32::setByteSize(TBytesize size) {
    settings_.ByteSize = static_cast<std::uint8_t>(static_cast<int>(size) + ByteSizeOffset);
    applySettings();
}

TParity TComm32::Parity() const {
    return static_cast<TParity>(settings_.Parity);
}

void TComm32::setParity(TParity parity) {
    settings_.Parity = static_cast<std::uint8_t>(parity);
    applySettings();
}

TStopBits TComm32::StopBits() const {
    return static_cast<TStopBits>(settings_.StopBits);
}

void TComm32::setStopBits(TStopBits bits) {
    settings_.StopBits = static_cast<std::uint8_t>(bits);
    applySettings();
}

TFlowControl TComm32::FlowControl() const {
    return flowControlOf(settings_.Flags);
}

void TComm32::setFlowControl(TFlowControl flow) {
    settings_.Flags = withFlowControl(settings_.Flags, flow);
    applySettings();
}

char TComm32::EventChar() const {
    return settings_.EvtChar;
}

void TComm32::setEventChar(char c) {
    settings_.EvtChar = c;
    applySettings();
}

std::uint32_t TComm32::RxQueue() const {
    return rxQueue_;
}

void TComm32::setRxQueue(std::uint32_t size) {
    rxQueue_ = size;
    applyQueueSizes();
}

std::uint32_t TComm32::TxQueue() const {
    return txQueue_;
}

void TComm32::setTxQueue(std::uint32_t size) {
    txQueue_ = size;
    applyQueueSizes();
}

// Re-applies the whole record to an open port. A refusal leaves the driver on its previous
// settings, which the component does not report (the property keeps the new value).
void TComm32::applySettings() {
    if (isOpen()) {
        (void)backend_->setState(settings_);
    }
}

// Asks an open port's driver for both queue sizes. A driver that keeps its own sizes still
// works, so a refusal is not reported.
void TComm32::applyQueueSizes() {
    if (isOpen()) {
        (void)backend_->setupQueues(rxQueue_, txQueue_);
    }
}

void TComm32::ClosePort() {
    backend_->close();
    receiverStarted_ = false;
    transmitterStarted_ = false;
}

bool TComm32::isOpen() const {
    return backend_->isOpen();
}

bool TComm32::OpenPort() {
    if (backend_->isOpen()) {
        throw ECommsError("Заданный порт уже открыт!", commPort_);
    }
    switch (const OpenResult result = backend_->open(commPort_)) {
        case OpenResult::Opened:
            break;
        case OpenResult::NotCommPort:
            throw ECommsError("Задан не COM-порт", commPort_, result);
        case OpenResult::NoSuchDevice:
        case OpenResult::AccessDenied:
        case OpenResult::HeldElsewhere:
        case OpenResult::CannotOpen:
            throw ECommsError("Невозможно открыть порт!", commPort_, result);
    }
    LineSettings driver;
    if (!backend_->getState(driver)) {
        backend_->close();
        throw ECommsError("Неверно заданы параметры порта!", commPort_);
    }
    settings_ = mergeForOpen(driver, settings_);
    if (!backend_->setState(settings_)) {
        backend_->close();
        throw ECommsError("Неверно заданы параметры порта!", commPort_);
    }
    applyQueueSizes();
    if (!backend_->createStopEvent()) {
        backend_->close();
        return false;
    }
    if (!backend_->startReceiveThread(notifier_)) {
        throw ECommsError("Невозможно создать Read thread", commPort_);
    }
    if (!backend_->startTransmitThread(notifier_)) {
        throw ECommsError("Невозможно создать Write thread", commPort_);
    }
    return true;
}

bool TComm32::SendData(std::span<const std::uint8_t> bytes) {
    return backend_->send(bytes);
}

bool TComm32::EscapeFunction(int code) {
    return backend_->escape(code);
}

void TComm32::handleMessage(const CommMessage& message) {
    switch (message.kind) {
        case CommMessage::Kind::RxData:
            deliver(message.block, message.receivedAt);
            break;
        case CommMessage::Kind::Hangup:
            if (OnRequestHangup) {
                OnRequestHangup(*this);
            }
            break;
        case CommMessage::Kind::Started:
            if (message.wParam == 0) {
                receiverStarted_ = true;
            } else {
                transmitterStarted_ = true;
            }
            break;
        case CommMessage::Kind::Event:
            lastEventMask_ = static_cast<std::uint16_t>(message.lParam & 0xFFFFu);
            lastModemStatus_ = static_cast<std::uint16_t>(message.lParam >> 16);
            raiseLineEvents(lastEventMask_, lastModemStatus_, message.wParam);
            break;
    }
}

// Hands `bytes` to OnReceiveData, each piece followed by a zero byte. The buffer lives on this
// call's stack, so a handler that re-enters the event loop (a modal box) and so receives the
// next block in a nested call keeps its own bytes intact. Our threads never post more than
// MaxDeliveredBlock bytes; a longer block from another poster is handed on in pieces rather
// than overrunning the buffer. Dropped when OnReceiveData is unassigned.
void TComm32::deliver(std::span<const std::uint8_t> bytes, ReceiveTime receivedAt) {
    if (!OnReceiveData) {
        return;
    }
    std::array<std::uint8_t, MaxDeliveredBlock + 1> delivery;
    while (!bytes.empty()) {
        const std::size_t count = std::min(bytes.size(), MaxDeliveredBlock);
        std::memcpy(delivery.data(), bytes.data(), count);
        delivery[count] = 0;
        OnReceiveData(delivery.data(), static_cast<std::uint16_t>(count), receivedAt);
        bytes = bytes.subspan(count);
    }
}

void TComm32::raiseLineEvents(std::uint32_t mask, std::uint32_t status, std::uint32_t errors) {
    auto raise = [this](const NotifyEvent& event) {
        if (event) {
            event(*this);
        }
    };
    raise(OnCommEvent);
    if ((mask & EventErr) != 0 && OnError) {
        OnError(*this, errors);
    }
    if ((mask & EventRxFlag) != 0) {
        raise(OnEventChar);
    }
    if ((mask & EventBreak) != 0) {
        raise(OnBreak);
    }
    if ((mask & EventTxEmpty) != 0) {
        raise(OnTXEMPTY);
    }
    if ((mask & EventRx80Full) != 0) {
        raise(OnRX80FULL);
    }
    if ((mask & EventPerr) != 0) {
        raise(OnPERR);
    }
    struct ModemLine {
        std::uint32_t changeBit;
        std::uint32_t statusBit;
        const NotifyEvent& change;
        const NotifyEvent& set;
        const NotifyEvent& clear;
    };
    const ModemLine lines[] = {
        {EventCts, ModemCtsOn, OnChangeCTS, OnSetCTS, OnClearCTS},
        {EventDsr, ModemDsrOn, OnChangeDSR, OnSetDSR, OnClearDSR},
        {EventRing, ModemRingOn, OnChangeRing, OnSetRing, OnClearRing},
        {EventRlsd, ModemRlsdOn, OnChangeRLSD, OnSetRLSD, OnClearRLSD},
    };
    for (const ModemLine& line : lines) {
        if ((mask & line.changeBit) == 0) {
            continue;
        }
        raise(line.change);
        raise((status & line.statusBit) != 0 ? line.set : line.clear);
    }
}

}  // namespace kelvan::serial
