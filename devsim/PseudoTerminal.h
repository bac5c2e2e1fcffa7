#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kelvan::devsim {

// A pseudo-terminal pair whose master side plays the programmer: the simulated device, a test's
// far end or a benchmark's. The host opens slavePath() as its serial port. One slave descriptor
// stays open here for the pair's whole life, so the master never sees a hang-up when the host
// closes and reopens the port; the master is non-blocking.
class PseudoTerminal {
  public:
    enum class SlaveMode {
        Raw,        // bytes pass unchanged both ways before any host has set the line up
        AsCreated,  // the system's default line settings, for checking what a host applies
    };

    // Opens the pair; throws std::system_error naming the failing call.
    explicit PseudoTerminal(SlaveMode mode = SlaveMode::Raw);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int masterFd() const { return master_; }
    // The held slave descriptor: the line settings a host applies to its port show here.
    int slaveFd() const { return heldSlave_; }
    const std::string& slavePath() const { return slavePath_; }

    // Closes the master side now: the host's port sees the far end hang up.
    void closeMaster();
    // Writes all of `bytes` to the master, waiting for room as the line drains; throws
    // std::system_error on a failing call or when `timeout` passes with bytes still unwritten.
    void writeAll(std::span<const std::uint8_t> bytes, std::chrono::milliseconds timeout);
    // Reads from the master until `into` is full, the line ends or `timeout` passes; returns how
    // many bytes arrived. Throws std::system_error on a failing call.
    std::size_t read(std::span<std::uint8_t> into, std::chrono::milliseconds timeout);

  private:
    int master_ = -1;
    int heldSlave_ = -1;
    std::string slavePath_;
};

// Puts a terminal descriptor in raw mode: no echo, no line editing, no signals, no character
// translation, 8 data bits, reads return as soon as a byte is there. Throws std::system_error.
void makeRaw(int terminalFd);

}  // namespace kelvan::devsim
