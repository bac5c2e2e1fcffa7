#pragma once

#include <string>

namespace kelvan::devsim {

// A pseudo-terminal pair for the simulated programmer. The device speaks on the master side;
// the host opens slavePath() as its serial port. The slave is put in raw mode so bytes pass
// unchanged both ways, and one slave descriptor stays open here for the pair's whole life, so
// the master never sees a hang-up when the host closes and reopens the port.
class PseudoTerminal {
  public:
    // Opens the pair; throws std::system_error naming the failing call.
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int masterFd() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

  private:
    int master_ = -1;
    int heldSlave_ = -1;
    std::string slavePath_;
};

// Puts a terminal descriptor in raw mode: no echo, no line editing, no signals, no character
// translation, 8 data bits, reads return as soon as a byte is there. Throws std::system_error.
void makeRaw(int terminalFd);

}  // namespace kelvan::devsim
