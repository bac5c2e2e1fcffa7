#include "devsim/PseudoTerminal.h"

#include <fcntl.h>
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

PseudoTerminal::PseudoTerminal() {
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
        makeRaw(heldSlave_);
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
    close(master_);
}

}  // namespace kelvan::devsim
