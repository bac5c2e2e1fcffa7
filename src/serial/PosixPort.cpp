#include "serial/PosixPort.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>

#include "serial/PosixTermios.h"

namespace kelvan::serial {

namespace {

constexpr std::size_t ReadBufferSize = 32768;

// How long the line must stay quiet before a burst is delivered: just over 1 ms, so that poll's
// own rounding never cuts a burst that is still arriving at 1 ms byte spacing.
constexpr timespec IdleTimeout{0, 1'100'000};

constexpr int WatchedModemLines = TIOCM_CTS | TIOCM_DSR | TIOCM_RNG | TIOCM_CD;

// The modem lines as MS_ bits, or false where the driver has no modem lines (a pty).
bool readModemStatus(int fd, std::uint32_t& status) {
    int lines = 0;
    if (ioctl(fd, TIOCMGET, &lines) != 0) {
        return false;
    }
    status =
        ((lines & TIOCM_CTS) != 0 ? ModemCtsOn : 0) | ((lines & TIOCM_DSR) != 0 ? ModemDsrOn : 0) |
        ((lines & TIOCM_RNG) != 0 ? ModemRingOn : 0) | ((lines & TIOCM_CD) != 0 ? ModemRlsdOn : 0);
    return true;
}

// The signal that interrupts the modem helper's TIOCMIWAIT, which nothing else can wake.
int wakeSignal() {
    return SIGRTMIN + 3;
}

void ignoreWakeSignal(int) {}

// Installs a handler without SA_RESTART, so the signal makes a blocked ioctl return EINTR.
bool installWakeHandler() {
    static const bool installed = [] {
        struct sigaction action {};
        action.sa_handler = ignoreWakeSignal;
        action.sa_flags = 0;
        return sigemptyset(&action.sa_mask) == 0 && sigaction(wakeSignal(), &action, nullptr) == 0;
    }();
    return installed;
}

bool signalEventFd(int fd) {
    const std::uint64_t one = 1;
    return write(fd, &one, sizeof one) == static_cast<ssize_t>(sizeof one);
}

// True when the device is in exclusive mode already. Systems without TIOCGEXCL cannot tell;
// there a privileged opener still passes another program's TIOCEXCL.
bool heldExclusively(int fd) {
#ifdef TIOCGEXCL
    int exclusive = 0;
    return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
#else
    (void)fd;
    return false;
#endif
}

// Why open(2) refused a port. A terminal held in another program's exclusive mode answers
// EBUSY; a serial driver without its hardware (a /dev/ttyS node with no UART) answers EIO.
OpenResult openFailure(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ENODEV:
        case ENXIO:
        case EIO:
            return OpenResult::NoSuchDevice;
        case EACCES:
        case EPERM:
        case EROFS:
            return OpenResult::AccessDenied;
        case EBUSY:
        case ETXTBSY:
            return OpenResult::HeldElsewhere;
        case EISDIR:
            return OpenResult::NotCommPort;
        default:
            return OpenResult::CannotOpen;
    }
}

void closeFd(int& fd) {
    if (fd >= 0) {
        // Linux releases the descriptor even when close reports an error; nothing to retry.
        (void)::close(fd);
        fd = -1;
    }
}

}  // namespace

std::unique_ptr<PortBackend> createPortBackend() {
    return std::make_unique<PosixPort>();
}

PosixPort::~PosixPort() {
    close();
}

OpenResult PosixPort::open(const std::string& name) {
    int fd = ::open(name.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return openFailure(errno);
    }
    if (isatty(fd) == 0) {
        closeFd(fd);
        return OpenResult::NotCommPort;
    }
    // Exclusive: the lock keeps out every other opener that locks its port, privileged or not;
    // TIOCEXCL then keeps out other openers (except privileged ones). A privileged process gets
    // through another program's TIOCEXCL, so a device already in exclusive mode is refused here
    // and that program's hold stays its own.
    OpenResult refused = OpenResult::Opened;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        refused = errno == EWOULDBLOCK ? OpenResult::HeldElsewhere : OpenResult::CannotOpen;
    } else if (heldExclusively(fd)) {
        refused = OpenResult::HeldElsewhere;
    } else if (ioctl(fd, TIOCEXCL) != 0) {
        refused = OpenResult::CannotOpen;
    }
    if (refused != OpenResult::Opened) {
        closeFd(fd);
        return refused;
    }
    exclusiveSet_ = true;
    fd_ = fd;
    stopping_ = false;
    return OpenResult::Opened;
}

bool PosixPort::getState(LineSettings& settings) {
    return fd_ >= 0 && posix::readLineSettings(fd_, settings);
}

bool PosixPort::setState(const LineSettings& settings) {
    return fd_ >= 0 && posix::applyLineSettings(fd_, settings);
}

// Linux terminals size their own buffers; there is nothing to ask for.
bool PosixPort::setupQueues(std::uint32_t, std::uint32_t) {
    return fd_ >= 0;
}

bool PosixPort::createStopEvent() {
    stopFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return stopFd_ >= 0;
}

bool PosixPort::startReceiveThread(CommNotifier& notifier) {
    return startThread(receiver_, [this, &notifier] { receiveLoop(notifier); });
}

bool PosixPort::startTransmitThread(CommNotifier& notifier) {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        return false;
    }
    return startTransmitter(queue_, transmitter_, [this, &notifier] { transmitLoop(notifier); });
}

bool PosixPort::send(std::span<const std::uint8_t> bytes) {
    return queue_.push(bytes) && signalEventFd(wakeFd_);
}

bool PosixPort::escape(int code) {
    if (fd_ < 0) {
        return false;
    }
    int line = 0;
    switch (code) {
        case EscapeSetRts:
        case EscapeClrRts:
            line = TIOCM_RTS;
            return ioctl(fd_, code == EscapeSetRts ? TIOCMBIS : TIOCMBIC, &line) == 0;
        case EscapeSetDtr:
        case EscapeClrDtr:
            line = TIOCM_DTR;
            return ioctl(fd_, code == EscapeSetDtr ? TIOCMBIS : TIOCMBIC, &line) == 0;
        case EscapeSetBreak:
            return ioctl(fd_, TIOCSBRK) == 0;
        case EscapeClrBreak:
            return ioctl(fd_, TIOCCBRK) == 0;
        case EscapeSetXoff:
            return tcflow(fd_, TCOOFF) == 0;
        case EscapeSetXon:
            return tcflow(fd_, TCOON) == 0;
        default:
            return false;
    }
}

void PosixPort::close() {
    stopping_ = true;
    if (stopFd_ >= 0 && !signalEventFd(stopFd_)) {
        // An eventfd write fails only on counter overflow, which one write per close cannot
        // reach; the joins below would hang otherwise, so this is a broken invariant.
        std::terminate();
    }
    if (receiver_.joinable()) {
        receiver_.join();
    }
    if (transmitter_.joinable()) {
        transmitter_.join();
    }
    stopModemWatcher();
    closeFd(wakeFd_);
    closeFd(stopFd_);
    if (fd_ >= 0) {
        // Exclusive mode belongs to the device, not the descriptor: give up the one this
        // component set. A device that has gone away (hung up) refuses, and then nobody else can
        // open it anyway.
        if (exclusiveSet_) {
            (void)ioctl(fd_, TIOCNXCL);
            exclusiveSet_ = false;
        }
        closeFd(fd_);
    }
}

// Delivers each burst as one block (split at MaxDeliveredBlock) once the line has been idle for
// IdleTimeout; ends quietly on the stop signal and with one hang-up on EOF or a read error.
void PosixPort::receiveLoop(CommNotifier& notifier) {
    // Tight timer slack keeps the idle wait close to IdleTimeout; without it the wait is merely
    // a little longer, so a refusal is harmless.
    (void)prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

    std::uint32_t status = 0;
    if (readModemStatus(fd_, status)) {
        if (status != 0) {
            postLineEvent(notifier, changedModemLines(0, status), status, 0);
        }
        startModemWatcher(notifier, status);
    }
    postStarted(notifier, 0);

    std::vector<std::uint8_t> buffer(ReadBufferSize);
    std::size_t held = 0;
    // A burst is stamped with its first read: the earliest moment any of its bytes was in hand.
    // The link takes a ready read before it last sent as stale, and misjudging one that way
    // only waits for the programmer's next ready, where the other way repeats a command.
    ReceiveTime burstStart{};
    auto deliverHeld = [&] {
        postReceived(notifier, std::span(buffer.data(), held), burstStart);
        held = 0;
    };
    for (;;) {
        pollfd fds[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        const int ready = ppoll(fds, 2, held > 0 ? &IdleTimeout : nullptr, nullptr);
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            deliverHeld();
            postHangup(notifier);
            break;
        }
        if (fds[1].revents != 0) {
            break;
        }
        if (ready == 0) {
            deliverHeld();
            continue;
        }
        if ((fds[0].revents & POLLNVAL) != 0) {
            deliverHeld();
            postHangup(notifier);
            break;
        }
        const ssize_t count = read(fd_, buffer.data() + held, buffer.size() - held);
        if (count > 0) {
            if (held == 0) {
                burstStart = std::chrono::steady_clock::now();
            }
            held += static_cast<std::size_t>(count);
            if (held == buffer.size()) {
                deliverHeld();
            }
            continue;
        }
        const bool lineTrouble = (fds[0].revents & (POLLHUP | POLLERR)) != 0;
        if (count < 0 && (errno == EINTR || (errno == EAGAIN && !lineTrouble))) {
            continue;  // nothing to read after all; a hang-up with nothing to read ends below
        }
        // End of file or a read error: the device or its far end has gone.
        deliverHeld();
        postHangup(notifier);
        break;
    }
    // Discard what the driver still holds for us; a hung-up device has nothing to discard.
    (void)tcflush(fd_, TCIFLUSH);
}

// The shared transmit loop over the stop and wake eventfds.
void PosixPort::transmitLoop(CommNotifier& notifier) {
    runTransmitLoop(notifier, queue_,
                    {[this] { return waitForBlock(); }, [this] { return stopping_.load(); },
                     [this, &notifier](const std::vector<std::uint8_t>& block) {
                         return writeBlock(notifier, block);
                     }});
    // Discard output not yet sent; a hung-up device has nothing to discard.
    (void)tcflush(fd_, TCOFLUSH);
}

// Waits for the wake or the stop eventfd and consumes the wake-ups.
TransmitWait PosixPort::waitForBlock() {
    for (;;) {
        pollfd fds[2] = {{stopFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (ppoll(fds, 2, nullptr, nullptr) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return TransmitWait::Failed;
        }
        if (fds[0].revents != 0) {
            return TransmitWait::Stop;
        }
        std::uint64_t wakes = 0;
        if (read(wakeFd_, &wakes, sizeof wakes) < 0 && errno != EAGAIN) {
            return TransmitWait::Failed;
        }
        return TransmitWait::BlockQueued;
    }
}

// Writes all of `block`, waiting for the device to take more where it must. False on the stop
// signal (quietly) or after posting a hang-up for a write error.
bool PosixPort::writeBlock(CommNotifier& notifier, const std::vector<std::uint8_t>& block) {
    std::size_t offset = 0;
    while (offset < block.size()) {
        const ssize_t count = write(fd_, block.data() + offset, block.size() - offset);
        if (count > 0) {
            offset += static_cast<std::size_t>(count);
            continue;
        }
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && errno == EAGAIN) {
            pollfd fds[2] = {{fd_, POLLOUT, 0}, {stopFd_, POLLIN, 0}};
            if (ppoll(fds, 2, nullptr, nullptr) < 0 && errno != EINTR) {
                postHangup(notifier);
                return false;
            }
            if (fds[1].revents != 0) {
                return false;
            }
            if ((fds[0].revents & (POLLERR | POLLNVAL)) != 0 ||
                (fds[0].revents & (POLLHUP | POLLOUT)) == POLLHUP) {
                postHangup(notifier);
                return false;
            }
            continue;
        }
        postHangup(notifier);
        return false;
    }
    return true;
}

// Starts the helper that reports modem-line changes. Without the wake signal's handler the
// helper could not be stopped, and without a thread there is no helper: either way the port
// works on without line events.
void PosixPort::startModemWatcher(CommNotifier& notifier, std::uint32_t status) {
    if (!installWakeHandler()) {
        return;
    }
    {
        std::lock_guard lock(modemWatcherMutex_);
        modemWatcherDone_ = false;
    }
    (void)startThread(modemWatcher_,
                      [this, &notifier, status] { modemWatchLoop(notifier, status); });
}

// Waits for modem-line changes and posts each as a line event carrying the lines that changed.
// Ends when stopping, or for good when the driver cannot wait for line changes.
void PosixPort::modemWatchLoop(CommNotifier& notifier, std::uint32_t status) {
    while (!stopping_) {
        if (ioctl(fd_, TIOCMIWAIT, WatchedModemLines) != 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        std::uint32_t now = 0;
        if (!readModemStatus(fd_, now)) {
            break;
        }
        const std::uint32_t changed = changedModemLines(status, now);
        if (changed != 0) {
            postLineEvent(notifier, changed, now, 0);
        }
        status = now;
    }
    std::lock_guard lock(modemWatcherMutex_);
    modemWatcherDone_ = true;
    modemWatcherEnded_.notify_all();
}

// TIOCMIWAIT wakes only for a line change or a signal, so the helper is signalled until it has
// seen stopping_ (a signal that lands just before it blocks is repeated).
void PosixPort::stopModemWatcher() {
    if (!modemWatcher_.joinable()) {
        return;
    }
    std::unique_lock lock(modemWatcherMutex_);
    while (!modemWatcherDone_) {
        if (pthread_kill(modemWatcher_.native_handle(), wakeSignal()) != 0) {
            break;  // the thread has already ended
        }
        modemWatcherEnded_.wait_for(lock, std::chrono::milliseconds(2),
                                    [this] { return modemWatcherDone_; });
    }
    lock.unlock();
    modemWatcher_.join();
}

}  // namespace kelvan::serial
