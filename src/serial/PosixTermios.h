#pragma once

// The Linux line-settings calls. They use the kernel's termios2 record (arbitrary bit rates),
// whose header cannot share a translation unit with <termios.h>, so they live apart.

#include "serial/LineSettings.h"

namespace kelvan::serial::posix {

// Reads the device's current settings into the DCB-shaped record (bit rate, data bits,
// parity, stop bits, flow control, XON/XOFF characters). False when `fd` is not a terminal.
bool readLineSettings(int fd, LineSettings& settings);

// Puts the terminal into raw mode with `settings` and reads the result back. False, leaving
// the device as the driver left it, when a value cannot be expressed here (bit rate 0, 4 data
// bits, 1.5 stop bits except with 5 data bits, 2 stop bits with 5 data bits), when the driver
// refuses the call, or when the read-back differs (a bit rate counts as kept within 3 %).
bool applyLineSettings(int fd, const LineSettings& settings);

}  // namespace kelvan::serial::posix
