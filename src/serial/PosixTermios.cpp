// Only the kernel's terminal headers here: <asm/termbits.h> redefines struct termios.
#include "serial/PosixTermios.h"

#include <asm/termbits.h>
#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cstdint>

namespace kelvan::serial::posix {

namespace {

// Whether the driver has RS-485 mode on with RTS raised while sending: the RTS toggle.
// A driver without RS-485 support has it off.
bool rtsToggleOn(int fd) {
    serial_rs485 rs485{};
    if (ioctl(fd, TIOCGRS485, &rs485) != 0) {
        return false;
    }
    return (rs485.flags & SER_RS485_ENABLED) != 0 && (rs485.flags & SER_RS485_RTS_ON_SEND) != 0;
}

// Turns the RTS toggle on or off; true when the driver ends up as asked.
bool setRtsToggle(int fd, bool wanted) {
    serial_rs485 rs485{};
    if (ioctl(fd, TIOCGRS485, &rs485) != 0) {
        return !wanted;  // no RS-485 mode: off already, and it cannot be turned on
    }
    const bool on = (rs485.flags & SER_RS485_ENABLED) != 0;
    if (on == wanted) {
        return !wanted || (rs485.flags & SER_RS485_RTS_ON_SEND) != 0;
    }
    if (wanted) {
        rs485.flags |= SER_RS485_ENABLED | SER_RS485_RTS_ON_SEND;
        rs485.flags &= ~static_cast<std::uint32_t>(SER_RS485_RTS_AFTER_SEND);
    } else {
        rs485.flags &= ~static_cast<std::uint32_t>(SER_RS485_ENABLED);
    }
    return ioctl(fd, TIOCSRS485, &rs485) == 0 && rtsToggleOn(fd) == wanted;
}

// The classic speed code of a standard rate, so that tools reading termios see the rate;
// BOTHER (with the rate in the speed fields) for any other.
tcflag_t speedCode(std::uint32_t rate) {
    struct StandardRate {
        std::uint32_t rate;
        tcflag_t code;
    };
    static constexpr StandardRate rates[] = {
        {50, B50},         {75, B75},         {110, B110},         {134, B134},
        {150, B150},       {200, B200},       {300, B300},         {600, B600},
        {1200, B1200},     {1800, B1800},     {2400, B2400},       {4800, B4800},
        {9600, B9600},     {19200, B19200},   {38400, B38400},     {57600, B57600},
        {115200, B115200}, {230400, B230400}, {460800, B460800},   {500000, B500000},
        {576000, B576000}, {921600, B921600}, {1000000, B1000000}, {1152000, B1152000},
    };
    for (const StandardRate& standard : rates) {
        if (standard.rate == rate) {
            return standard.code;
        }
    }
    return BOTHER;
}

bool speedsMatch(speed_t wanted, speed_t actual) {
    const std::uint64_t difference = wanted > actual ? wanted - actual : actual - wanted;
    return difference * 100 <= static_cast<std::uint64_t>(wanted) * 3;
}

tcflag_t dataBitsFlag(std::uint8_t byteSize) {
    switch (byteSize) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

// The control-flag bits that carry data bits, parity, stop bits and hardware flow control.
constexpr tcflag_t FramingBits = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;

// Builds the framing part of c_cflag; false when the combination has no termios form. The
// UART sends 1.5 stop bits when asked for two with 5 data bits, so 1.5 exists only with 5
// data bits and 2 only with 6 to 8, as on the Win32 drivers.
bool framingFlags(const LineSettings& settings, tcflag_t& flags) {
    if (settings.ByteSize < 5 || settings.ByteSize > 8) {
        return false;
    }
    flags = dataBitsFlag(settings.ByteSize);
    switch (settings.Parity) {
        case NoParity:
            break;
        case OddParity:
            flags |= PARENB | PARODD;
            break;
        case EvenParity:
            flags |= PARENB;
            break;
        case MarkParity:
            flags |= PARENB | CMSPAR | PARODD;
            break;
        case SpaceParity:
            flags |= PARENB | CMSPAR;
            break;
        default:
            return false;
    }
    switch (settings.StopBits) {
        case OneStopBit:
            break;
        case OneAndHalfStopBits:
            if (settings.ByteSize != 5) {
                return false;
            }
            flags |= CSTOPB;
            break;
        case TwoStopBits:
            if (settings.ByteSize == 5) {
                return false;
            }
            flags |= CSTOPB;
            break;
        default:
            return false;
    }
    if (rtsControl(settings.Flags) == RtsControlHandshake) {
        flags |= CRTSCTS;
    }
    return true;
}

}  // namespace

bool readLineSettings(int fd, LineSettings& settings) {
    termios2 tio{};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        return false;
    }
    settings.BaudRate = tio.c_ospeed;
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            settings.ByteSize = 5;
            break;
        case CS6:
            settings.ByteSize = 6;
            break;
        case CS7:
            settings.ByteSize = 7;
            break;
        default:
            settings.ByteSize = 8;
            break;
    }
    if ((tio.c_cflag & PARENB) == 0) {
        settings.Parity = NoParity;
    } else if ((tio.c_cflag & CMSPAR) != 0) {
        settings.Parity = (tio.c_cflag & PARODD) != 0 ? MarkParity : SpaceParity;
    } else {
        settings.Parity = (tio.c_cflag & PARODD) != 0 ? OddParity : EvenParity;
    }
    if ((tio.c_cflag & CSTOPB) == 0) {
        settings.StopBits = OneStopBit;
    } else {
        settings.StopBits = settings.ByteSize == 5 ? OneAndHalfStopBits : TwoStopBits;
    }
    TFlowControl flow = TFlowControl::fcNone;
    if (rtsToggleOn(fd)) {
        flow = TFlowControl::fcHardware2;
    } else if ((tio.c_cflag & CRTSCTS) != 0) {
        flow = TFlowControl::fcHardware1;
    } else if ((tio.c_iflag & IXON) != 0 && (tio.c_iflag & IXOFF) != 0) {
        flow = TFlowControl::fcSoftware;
    }
    settings.Flags = withFlowControl(dcbflag::fBinary, flow);
    settings.XonChar = static_cast<char>(tio.c_cc[VSTART]);
    settings.XoffChar = static_cast<char>(tio.c_cc[VSTOP]);
    return true;
}

bool applyLineSettings(int fd, const LineSettings& settings) {
    tcflag_t framing = 0;
    if (settings.BaudRate == 0 || !framingFlags(settings, framing)) {
        return false;
    }
    termios2 tio{};
    if (ioctl(fd, TCGETS2, &tio) != 0) {
        return false;
    }
    // Raw bytes both ways: no line editing, echo, signals, translation or parity checking
    // (parity is generated on transmit only); modem status lines do not gate reception.
    tio.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR |
                                          ICRNL | IXON | IXOFF | IXANY | INPCK | IGNPAR);
    const bool software = (settings.Flags & dcbflag::fOutX) != 0;
    const bool softwareIn = (settings.Flags & dcbflag::fInX) != 0;
    if (software) {
        tio.c_iflag |= IXON;
    }
    if (softwareIn) {
        tio.c_iflag |= IXOFF;
    }
    tio.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    tio.c_cflag &= ~static_cast<tcflag_t>(FramingBits | CBAUD | (CBAUD << IBSHIFT));
    const tcflag_t speed = speedCode(settings.BaudRate);
    tio.c_cflag |= framing | CREAD | CLOCAL | speed | (speed << IBSHIFT);
    tio.c_ospeed = settings.BaudRate;
    tio.c_ispeed = settings.BaudRate;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    if (settings.XonChar != settings.XoffChar) {
        tio.c_cc[VSTART] = static_cast<cc_t>(settings.XonChar);
        tio.c_cc[VSTOP] = static_cast<cc_t>(settings.XoffChar);
    }
    if (ioctl(fd, TCSETS2, &tio) != 0) {
        return false;
    }
    if (!setRtsToggle(fd, rtsControl(settings.Flags) == RtsControlToggle)) {
        return false;
    }
    termios2 actual{};
    if (ioctl(fd, TCGETS2, &actual) != 0) {
        return false;
    }
    const tcflag_t inputFlow = IXON | IXOFF;
    return (actual.c_cflag & FramingBits) == framing &&
           (actual.c_iflag & inputFlow) == (tio.c_iflag & inputFlow) &&
           speedsMatch(settings.BaudRate, actual.c_ospeed) &&
           speedsMatch(settings.BaudRate, actual.c_ispeed);
}

}  // namespace kelvan::serial::posix
