#include "devsim/PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace kelvan::devsim {
namespace {

[[noreturn]] void throwErrno(const char* what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// Waits until `fd` is ready for `events` or `deadline` passes; false on time-out. A hang-up or
// error condition counts as ready, so that the following call reports it.
bool waitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd entry{fd, events, 0};
        const int ready = poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            return true;
        }
        if (ready < 0 && errno != EINTR) {
            throwErrno("poll pseudo-terminal master");
        }
    }
}

}  // namespace

void makeRaw(int terminalFd) {
    termios settings{};
    if (tcgetattr(terminalFd, &settings) != 0) {
        throwErrno("tcgetattr");
    }
    settings.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                               ICRNL | IXON | IXOFF | INPCK);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    settings.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB);
    settings.c_cflag |= CS8 | CREAD | CLOCAL;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (tcsetattr(terminalFd, TCSANOW, &settings) != 0) {
        throwErrno("tcsetattr");
    }
}

PseudoTerminal::PseudoTerminal(SlaveMode mode) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        throwErrno("posix_openpt");
    }
    try {
        if (fcntl(master_, F_SETFD, FD_CLOEXEC) != 0) {
            throwErrno("fcntl(FD_CLOEXEC)");
        }
        if (grantpt(master_) != 0) {
            throwErrno("grantpt");
        }
        if (unlockpt(master_) != 0) {
            throwErrno("unlockpt");
        }
        std::array<char, 256> name{};
        if (const int error = ptsname_r(master_, name.data(), name.size()); error != 0) {
            throw std::system_error(error, std::generic_category(), "ptsname_r");
        }
        slavePath_ = name.data();
        heldSlave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (heldSlave_ < 0) {
            throwErrno("open pseudo-terminal slave");
        }
        if (mode == SlaveMode::Raw) {
            makeRaw(heldSlave_);
        }
        const int flags = fcntl(master_, F_GETFL);
        if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0) {
            throwErrno("fcntl(O_NONBLOCK)");
        }
    } catch (...) {
        if (heldSlave_ >= 0) {
            close(heldSlave_);
        }
        close(master_);
        throw;
    }
}

PseudoTerminal::~PseudoTerminal() {
    // Nothing useful can be done about a failing close at teardown.
    close(heldSlave_);
    closeMaster();
}

void PseudoTerminal::closeMaster() {
    if (master_ >= 0) {
        // The descriptor is released even when close reports an error; there is no retry.
        close(master_);
        master_ = -1;
    }
}

void PseudoTerminal::writeAll(std::span<const std::uint8_t> bytes,
                              std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!bytes.empty()) {
        const ssize_t written = write(master_, bytes.data(), bytes.size());
        if (written > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            throwErrno("write to pseudo-terminal master");
        }
        if (!waitFor(master_, POLLOUT, deadline)) {
            throw std::system_error(std::make_error_code(std::errc::timed_out),
                                    "write to pseudo-terminal master");
        }
    }
}

std::size_t PseudoTerminal::read(std::span<std::uint8_t> into, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::size_t got = 0;
    while (got < into.size()) {
        const ssize_t count = ::read(master_, into.data() + got, into.size() - got);
        if (count > 0) {
            got += static_cast<std::size_t>(count);
            continue;
        }
        if (count == 0 || errno == EIO) {
            break;  // the line has ended
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            throwErrno("read from pseudo-terminal master");
        }
        if (!waitFor(master_, POLLIN, deadline)) {
            break;
        }
    }
    return got;
}

}  // namespace kelvan::devsim
