#include "session/ProgrammerSession.h"

#include "link/Commands.h"
#include "operations/BitWrites.h"
#include "operations/ChipSelection.h"
#include "serial/PortErrorText.h"
#include "session/NinthBit.h"

namespace kelvan::session {

ProgrammerSession::ProgrammerSession(link::LinkView& screen,
                                     std::unique_ptr<serial::PortBackend> backend)
    : comm_(pump_, backend ? std::move(backend) : serial::createPortBackend()),
      link_(sink_, watchdog_, screen, buffer_) {
    pump_.attach(comm_);
    comm_.setCommPort("COM2");
    comm_.setFlowControl(serial::TFlowControl::fcNone);
    comm_.setEventChar(0);
    comm_.OnReceiveData = [this](const std::uint8_t* bytes, std::uint16_t length,
                                 serial::ReceiveTime receivedAt) {
        receiveData(std::span<const std::uint8_t>(bytes, length), receivedAt);
    };
    comm_.OnRequestHangup = [this](serial::TComm32&) { portHungUp(); };
    reopenTimer_.setInterval(ReopenIntervalMs);
    QObject::connect(&reopenTimer_, &QTimer::timeout, &reopenTimer_, [this] { reopen(); });
    watchdogTimer_.setObjectName(QStringLiteral("Timer2"));
    QObject::connect(&watchdogTimer_, &QTimer::timeout, &watchdogTimer_, [this] {
        link_.watchdogExpired();
        linkEvent();
    });
}

ProgrammerSession::~ProgrammerSession() = default;

void ProgrammerSession::attachOperations(const operations::OptionSource& options,
                                         operations::OperationHost& host) {
    sequences_ = std::make_unique<operations::CommandSequences>(access_, options, buffer_, host);
}

void ProgrammerSession::receiveData(std::span<const std::uint8_t> bytes,
                                    serial::ReceiveTime receivedAt) {
    link_.receiveData(bytes, receivedAt);
    linkEvent();
}

void ProgrammerSession::linkEvent() {
    if (afterLinkEvent) {
        afterLinkEvent();
    }
}

void ProgrammerSession::configurePort(const PortSettings& settings) {
    configured_ = settings;
    comm_.setCommPort(settings.port);
    comm_.setBaudRate(settings.bitRate);
    if (const std::optional<serial::TParity> parity = ninthBitParity(settings.parity)) {
        comm_.setParity(*parity);
    }
    comm_.setFlowControl(serial::TFlowControl::fcNone);
    comm_.setEventChar(0);
}

QString ProgrammerSession::openPort() {
    QString failure;
    try {
        if (!comm_.OpenPort()) {
            failure = QStringLiteral("Невозможно создать событие остановки потоков порта");
        }
    } catch (const serial::ECommsError& error) {
        failure = QString::fromStdString(serial::portErrorText(error));
    }
    if (!failure.isEmpty()) {
        portFailed(failure);
        return failure;
    }
    // RTS on, DTR off. A port without modem lines (a pseudo-terminal, some adapters) refuses
    // them while data still flows, so a refusal is no reason to stop.
    static_cast<void>(comm_.EscapeFunction(serial::EscapeSetRts));
    static_cast<void>(comm_.EscapeFunction(serial::EscapeClrDtr));
    return {};
}

void ProgrammerSession::portFailed(const QString& failure) {
    portDown_ = true;
    if (failure != lastFailure_) {
        lastFailure_ = failure;
        if (portStateChanged) {
            portStateChanged(failure);
        }
    }
    if (reopening_ && !reopenTimer_.isActive()) {
        reopenTimer_.start();
    }
}

// Both threads of the port may report the same loss; the first one closes the port, and a
// report that comes after it from the threads of a port already closed changes nothing.
void ProgrammerSession::portHungUp() {
    if (portDown_ || !comm_.isOpen()) {
        return;
    }
    portDown_ = true;
    link_.portHungUp();
    comm_.ClosePort();
    if (reopening_) {
        reopenTimer_.start();
    }
    linkEvent();
}

void ProgrammerSession::reopen() {
    if (!openPort().isEmpty()) {
        return;
    }
    reopenTimer_.stop();
    portDown_ = false;
    lastFailure_.clear();
    if (portStateChanged) {
        portStateChanged(QString());
    }
    // The conversation starts over as after a silence: nothing queued while the port was
    // down has gone out.
    link_.clearQueue();
    startConversation();
}

bool ProgrammerSession::portSettingsSaved(const PortSettings& settings) {
    if (portDown_ || !comm_.isOpen()) {
        configurePort(settings);
        return false;
    }
    return settings != configured_;
}

// The programmer on the old port is left as if unplugged: what was queued for it is cut short,
// and an operation among it is reported interrupted.
void ProgrammerSession::reconnect(const PortSettings& settings) {
    dropLines();
    link_.portHungUp();
    comm_.ClosePort();
    configurePort(settings);
    portDown_ = true;
    reopenTimer_.stop();
    reopen();
    linkEvent();
}

void ProgrammerSession::dropLines() {
    static_cast<void>(comm_.EscapeFunction(serial::EscapeClrRts));
    static_cast<void>(comm_.EscapeFunction(serial::EscapeClrDtr));
}

void ProgrammerSession::startConversation() {
    link_.enqueue(link::commands::endOfSequence());
    link_.enqueue(link::commands::askTitle());
}

void ProgrammerSession::chooseChip(int index) {
    for (const link::Bytes& payload : operations::chipChosenCommands(index)) {
        link_.enqueue(payload);
    }
}

void ProgrammerSession::chooseCommand(int chipRow, int commandRow) {
    const std::optional<std::uint8_t> code = access_.commandOfLine(commandRow);
    lastCommand_ = code ? std::string(link::CommandNameTable.at(*code)) : std::string();
    if (sequences_) {
        sequences_->chooseCommand(chipRow, commandRow);
    }
}

void ProgrammerSession::cancelOperation() {
    static_cast<void>(link_.cancelQueued(lastCommand_));
}

void ProgrammerSession::writeBits(link::BitKind kind, const std::vector<bool>& states) {
    for (std::size_t index = 0; index < states.size(); ++index) {
        if (const std::optional<link::Bytes> payload =
                operations::bitWriteCommand(kind, static_cast<std::uint8_t>(index), states[index])) {
            link_.enqueue(*payload);
        }
    }
}

}  // namespace kelvan::session
