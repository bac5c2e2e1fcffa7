#include "serial/Win32Port.h"

namespace kelvan::serial {

namespace {

constexpr DWORD ReadBufferSize = 32768;
constexpr DWORD PurgeReceive = PURGE_RXABORT | PURGE_RXCLEAR;
constexpr DWORD PurgeTransmit = PURGE_TXABORT | PURGE_TXCLEAR;

std::wstring widen(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                            length) != length) {
        return {};
    }
    return wide;
}

DCB toDcb(const LineSettings& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = settings.BaudRate;
    const std::uint32_t flags = settings.Flags;
    dcb.fBinary = (flags & dcbflag::fBinary) != 0;
    dcb.fParity = (flags & dcbflag::fParity) != 0;
    dcb.fOutxCtsFlow = (flags & dcbflag::fOutxCtsFlow) != 0;
    dcb.fOutxDsrFlow = (flags & dcbflag::fOutxDsrFlow) != 0;
    dcb.fDtrControl = (flags & dcbflag::fDtrControlMask) >> dcbflag::fDtrControlShift;
    dcb.fDsrSensitivity = (flags & dcbflag::fDsrSensitivity) != 0;
    dcb.fTXContinueOnXoff = (flags & dcbflag::fTXContinueOnXoff) != 0;
    dcb.fOutX = (flags & dcbflag::fOutX) != 0;
    dcb.fInX = (flags & dcbflag::fInX) != 0;
    dcb.fErrorChar = (flags & dcbflag::fErrorChar) != 0;
    dcb.fNull = (flags & dcbflag::fNull) != 0;
    dcb.fRtsControl = rtsControl(flags);
    dcb.fAbortOnError = (flags & dcbflag::fAbortOnError) != 0;
    dcb.XonLim = settings.XonLim;
    dcb.XoffLim = settings.XoffLim;
    dcb.ByteSize = settings.ByteSize;
    dcb.Parity = settings.Parity;
    dcb.StopBits = settings.StopBits;
    dcb.XonChar = settings.XonChar;
    dcb.XoffChar = settings.XoffChar;
    dcb.ErrorChar = settings.ErrorChar;
    dcb.EofChar = settings.EofChar;
    dcb.EvtChar = settings.EvtChar;
    return dcb;
}

LineSettings fromDcb(const DCB& dcb) {
    LineSettings settings;
    settings.BaudRate = dcb.BaudRate;
    std::uint32_t flags = 0;
    flags |= dcb.fBinary ? dcbflag::fBinary : 0;
    flags |= dcb.fParity ? dcbflag::fParity : 0;
    flags |= dcb.fOutxCtsFlow ? dcbflag::fOutxCtsFlow : 0;
    flags |= dcb.fOutxDsrFlow ? dcbflag::fOutxDsrFlow : 0;
    flags |= static_cast<std::uint32_t>(dcb.fDtrControl) << dcbflag::fDtrControlShift;
    flags |= dcb.fDsrSensitivity ? dcbflag::fDsrSensitivity : 0;
    flags |= dcb.fTXContinueOnXoff ? dcbflag::fTXContinueOnXoff : 0;
    flags |= dcb.fOutX ? dcbflag::fOutX : 0;
    flags |= dcb.fInX ? dcbflag::fInX : 0;
    flags |= dcb.fErrorChar ? dcbflag::fErrorChar : 0;
    flags |= dcb.fNull ? dcbflag::fNull : 0;
    flags |= static_cast<std::uint32_t>(dcb.fRtsControl) << dcbflag::fRtsControlShift;
    flags |= dcb.fAbortOnError ? dcbflag::fAbortOnError : 0;
    settings.Flags = flags;
    settings.XonLim = dcb.XonLim;
    settings.XoffLim = dcb.XoffLim;
    settings.ByteSize = dcb.ByteSize;
    settings.Parity = dcb.Parity;
    settings.StopBits = dcb.StopBits;
    settings.XonChar = dcb.XonChar;
    settings.XoffChar = dcb.XoffChar;
    settings.ErrorChar = dcb.ErrorChar;
    settings.EofChar = dcb.EofChar;
    settings.EvtChar = dcb.EvtChar;
    return settings;
}

// Why CreateFile refused a port. Windows answers a second opener of a COM port with
// ERROR_ACCESS_DENIED, so that reason covers a port held by another program too.
OpenResult openFailure(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_UNIT:
        case ERROR_DEV_NOT_EXIST:
            return OpenResult::NoSuchDevice;
        case ERROR_ACCESS_DENIED:
            return OpenResult::AccessDenied;
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return OpenResult::HeldElsewhere;
        default:
            return OpenResult::CannotOpen;
    }
}

bool signalled(HANDLE event) {
    return WaitForSingleObject(event, 0) != WAIT_TIMEOUT;
}

void closeHandle(HANDLE& handle) {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        // Nothing can be done about a handle that does not close; it is forgotten either way.
        (void)CloseHandle(handle);
    }
    handle = nullptr;
}

}  // namespace

Overlapped::Overlapped() : record_{} {
    record_.hEvent = CreateEventW(nullptr, TRUE, TRUE, nullptr);
}
Overlapped::~Overlapped() {
    closeHandle(record_.hEvent);
}

OpenResult Win32Port::open(const std::string& name) {
    const std::wstring wide = widen(name);
    HANDLE port = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) {
        return openFailure(GetLastError());
    }
    // A read completes once the line has been idle for more than 1 ms after at least one byte,
    // or when its buffer is full; writes have no time-out. A character device that takes no
    // time-outs (a console, NUL) is no COM port either.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 1;
    if (GetFileType(port) != FILE_TYPE_CHAR || !SetCommTimeouts(port, &timeouts)) {
        closeHandle(port);
        return OpenResult::NotCommPort;
    }
    port_ = port;
    return OpenResult::Opened;
}

bool Win32Port::getState(LineSettings& settings) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (port_ == nullptr || !GetCommState(port_, &dcb)) {
        return false;
    }
    settings = fromDcb(dcb);
    return true;
}

bool Win32Port::setState(const LineSettings& settings) {
    DCB dcb = toDcb(settings);
    return port_ != nullptr && SetCommState(port_, &dcb) != FALSE;
}

bool Win32Port::setupQueues(std::uint32_t rxSize, std::uint32_t txSize) {
    return port_ != nullptr && SetupComm(port_, rxSize, txSize) != FALSE;
}

bool Win32Port::createStopEvent() {
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    return stop_ != nullptr;
}

bool Win32Port::startReceiveThread(CommNotifier& notifier) {
    errorFlags_ = 0;
    return startThread(receiver_, [this, &notifier] { receiveLoop(notifier); });
}

bool Win32Port::startTransmitThread(CommNotifier& notifier) {
    wake_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (wake_ == nullptr) {
        return false;
    }
    return startTransmitter(queue_, transmitter_, [this, &notifier] { transmitLoop(notifier); });
}

bool Win32Port::send(std::span<const std::uint8_t> bytes) {
    return queue_.push(bytes) && SetEvent(wake_) != FALSE;
}

bool Win32Port::escape(int code) {
    return port_ != nullptr && EscapeCommFunction(port_, static_cast<DWORD>(code)) != FALSE;
}

void Win32Port::close() {
    if (stop_ != nullptr && !SetEvent(stop_)) {
        // Without the stop event the joins below would never return: a broken invariant.
        std::terminate();
    }
    if (receiver_.joinable()) {
        receiver_.join();
    }
    if (transmitter_.joinable()) {
        transmitter_.join();
    }
    closeHandle(wake_);
    closeHandle(stop_);
    closeHandle(port_);
}

// Reports the modem lines that are on when the thread starts, each with its change bit.
void Win32Port::reportInitialLines(CommNotifier& notifier) {
    DWORD status = 0;
    if (!GetCommModemStatus(port_, &status)) {
        return;  // no modem lines to report
    }
    if (status == 0) {
        return;
    }
    postLineEvent(notifier, changedModemLines(0, status), status, 0);
}

// Keeps one read and one line-event wait outstanding and reports what completes; ends quietly
// on the stop event and with one hang-up on any failure. A driver that refuses line-event
// waits gets reads only: the program needs the bytes, not the line events, as on Linux.
void Win32Port::receiveLoop(CommNotifier& notifier) {
    Overlapped read;
    Overlapped wait;
    std::vector<std::uint8_t> buffer(ReadBufferSize);
    DWORD mask = 0;
    bool readPending = false;
    bool waitPending = false;
    bool hangup = false;

    if (!read.valid() || !wait.valid() || !SetCommMask(port_, WatchedLineEvents)) {
        hangup = true;
    } else {
        reportInitialLines(notifier);
        Arm armed = armEventWait(notifier, wait, mask, waitPending);
        bool watchingLines = armed != Arm::Refused;
        if (armed == Arm::Armed || armed == Arm::Refused) {
            armed = armRead(notifier, read, buffer, readPending);
        }
        hangup = armed == Arm::Failed;
        if (armed == Arm::Armed) {
            postStarted(notifier, 0);
            // The stop event first, then line events, then reads: the lowest signalled wins.
            const HANDLE withLines[3] = {stop_, wait.event(), read.event()};
            const HANDLE readsOnly[2] = {stop_, read.event()};
            for (;;) {
                DWORD which = watchingLines ? WaitForMultipleObjects(3, withLines, FALSE, INFINITE)
                                            : WaitForMultipleObjects(2, readsOnly, FALSE, INFINITE);
                if (!watchingLines && which == WAIT_OBJECT_0 + 1) {
                    which = WAIT_OBJECT_0 + 2;  // the read, as in the full list
                }
                if (which == WAIT_OBJECT_0) {
                    break;
                }
                if (which == WAIT_OBJECT_0 + 1) {
                    waitPending = false;
                    if (!completeLineEvent(notifier, wait, mask, true)) {
                        hangup = true;
                        break;
                    }
                    armed = armEventWait(notifier, wait, mask, waitPending);
                    if (armed == Arm::Refused) {
                        watchingLines = false;
                        armed = Arm::Armed;
                    }
                } else if (which == WAIT_OBJECT_0 + 2) {
                    readPending = false;
                    DWORD count = 0;
                    if (!io_.overlappedResult(port_, read.get(), &count, FALSE) || count == 0) {
                        hangup = true;
                        break;
                    }
                    postReceived(notifier, std::span(buffer.data(), count));
                    armed = armRead(notifier, read, buffer, readPending);
                } else {
                    hangup = true;
                    break;
                }
                if (armed != Arm::Armed) {
                    hangup = armed == Arm::Failed;
                    break;
                }
            }
        }
    }
    if (hangup) {
        postHangup(notifier);
    }
    // Discard unread input, then cancel this thread's read and line-event wait and wait for
    // them, so that neither record nor the buffer is released under a running operation. The
    // purge alone is not enough: some drivers (Wine's) discard the input but leave the read
    // waiting for the next byte, which a silent device never sends.
    DWORD ignored = 0;
    (void)PurgeComm(port_, PurgeReceive);  // a port that has gone has nothing to discard
    (void)CancelIo(port_);                 // fails only when nothing is outstanding
    if (readPending) {
        (void)GetOverlappedResult(port_, read.get(), &ignored, TRUE);  // it ends either way
    }
    if (waitPending) {
        (void)GetOverlappedResult(port_, wait.get(), &ignored, TRUE);  // as above
    }
}

// Issues reads until one stays pending, delivering those that complete at once.
Arm Win32Port::armRead(CommNotifier& notifier, Overlapped& read, std::vector<std::uint8_t>& buffer,
                       bool& pending) {
    for (;;) {
        if (signalled(stop_)) {
            return Arm::Stopped;
        }
        DWORD count = 0;
        if (io_.readFile(port_, buffer.data(), ReadBufferSize, &count, read.get())) {
            if (count == 0) {
                return Arm::Failed;
            }
            postReceived(notifier, std::span(buffer.data(), count));
            continue;
        }
        if (GetLastError() == ERROR_IO_PENDING) {
            pending = true;
            return Arm::Armed;
        }
        return Arm::Failed;
    }
}

// Starts line-event waits until one stays pending, reporting those that complete at once;
// Refused when the driver will not wait.
Arm Win32Port::armEventWait(CommNotifier& notifier, Overlapped& wait, DWORD& mask, bool& pending) {
    for (;;) {
        if (signalled(stop_)) {
            return Arm::Stopped;
        }
        mask = 0;
        if (WaitCommEvent(port_, &mask, wait.get())) {
            if (!completeLineEvent(notifier, wait, mask, false)) {
                return Arm::Failed;
            }
            continue;
        }
        if (GetLastError() == ERROR_IO_PENDING) {
            pending = true;
            return Arm::Armed;
        }
        return Arm::Refused;
    }
}

// Posts one completed line event; EventErr first fetches the line-error flags it reports. False
// when the wait failed or reported none of the watched events.
bool Win32Port::completeLineEvent(CommNotifier& notifier, Overlapped& wait, DWORD mask,
                                  bool pending) {
    DWORD count = 0;
    if (pending && !io_.overlappedResult(port_, wait.get(), &count, FALSE)) {
        return false;
    }
    if ((mask & EventErr) != 0) {
        DWORD errors = 0;
        if (!ClearCommError(port_, &errors, nullptr)) {
            return false;
        }
        errorFlags_ = errors;
    }
    if ((mask & WatchedLineEvents) == 0) {
        return false;
    }
    DWORD status = 0;
    if (!GetCommModemStatus(port_, &status)) {
        status = 0;  // a port without modem lines: report them all off
    }
    postLineEvent(notifier, mask, status, errorFlags_);
    return true;
}

// The shared transmit loop over the stop and wake events, with one overlapped record for the
// writes; without that record the thread ends at once with a hang-up.
void Win32Port::transmitLoop(CommNotifier& notifier) {
    Overlapped write;
    if (!write.valid()) {
        postHangup(notifier);
        queue_.close();
        return;
    }
    const HANDLE waitList[2] = {stop_, wake_};
    const auto waitForBlock = [&waitList] {
        const DWORD which = WaitForMultipleObjects(2, waitList, FALSE, INFINITE);
        if (which == WAIT_OBJECT_0) {
            return TransmitWait::Stop;
        }
        return which == WAIT_OBJECT_0 + 1 ? TransmitWait::BlockQueued : TransmitWait::Failed;
    };
    runTransmitLoop(notifier, queue_,
                    {waitForBlock, [this] { return signalled(stop_); },
                     [this, &notifier, &write](const std::vector<std::uint8_t>& block) {
                         return writeBlock(notifier, write, block);
                     }});
    // Discard output not yet sent; a port that has gone has nothing to discard.
    (void)PurgeComm(port_, PurgeTransmit);
}

// Writes all of `block`, in as many completions as the driver needs. False on the stop event
// (quietly), on an invalid handle (quietly), or after posting a hang-up for any other error.
bool Win32Port::writeBlock(CommNotifier& notifier, Overlapped& write,
                           const std::vector<std::uint8_t>& block) {
    const HANDLE waitList[2] = {stop_, write.event()};
    std::size_t offset = 0;
    while (offset < block.size()) {
        DWORD written = 0;
        const DWORD remaining = static_cast<DWORD>(block.size() - offset);
        if (!io_.writeFile(port_, block.data() + offset, remaining, &written, write.get())) {
            const DWORD error = GetLastError();
            if (error == ERROR_INVALID_HANDLE) {
                return false;
            }
            if (error != ERROR_IO_PENDING) {
                postHangup(notifier);
                return false;
            }
            const DWORD which = WaitForMultipleObjects(2, waitList, FALSE, INFINITE);
            if (which == WAIT_OBJECT_0) {
                // Abandon the write, then let it finish before its record is reused or freed.
                (void)CancelIo(port_);
                (void)GetOverlappedResult(port_, write.get(), &written, TRUE);
                return false;
            }
            if (which != WAIT_OBJECT_0 + 1) {
                postHangup(notifier);
                return false;
            }
            if (!io_.overlappedResult(port_, write.get(), &written, TRUE)) {
                if (GetLastError() != ERROR_INVALID_HANDLE) {
                    postHangup(notifier);
                }
                return false;
            }
        }
        offset += written;
    }
    return true;
}

std::unique_ptr<PortBackend> createPortBackend() {
    return std::make_unique<Win32Port>();
}

}  // namespace kelvan::serial
