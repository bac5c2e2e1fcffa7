#pragma once

// Facade of the programmer link: the receive parser, the command queue with its retry limit,
// the watchdog expiry and the reply dispatcher, over one set of link state. The main window
// owns one instance and forwards Comm321ReceiveData, Timer2Timer and the user's commands.
//
// DRAFT CONTRACT: the members below are what the rest of the program uses. The link's
// implementer may add members and split the work into smaller classes behind this facade,
// but should keep these names and meanings.

#include <array>
#include <cstdint>
#include <span>

#include "buffer/ProgramBuffer.h"
#include "link/LinkFrame.h"
#include "link/LinkPorts.h"

namespace kelvan::link {

class ProgrammerLink {
public:
    ProgrammerLink(ByteSink& sink, WatchdogTimer& watchdog, LinkView& view,
                   ProgramBuffer& buffer);

    // Comm321ReceiveData: append a received block to the 300-byte ReceiveBuffer and run the
    // parser. A block longer than 300 bytes is fed in pieces with a pass after each.
    void receiveData(std::span<const std::uint8_t> block);

    // Timer2Timer: the LinkWatchdog expired.
    void watchdogExpired();

    // CommandQueue operations. A zero-length payload queues nothing.
    void enqueue(std::span<const std::uint8_t> payload);
    void clearQueue();
    std::size_t queueLength() const;

    // What the replies reported for the selected chip.
    std::uint32_t programMemorySize() const;
    std::uint32_t eepromSize() const;
    // CommandCode of each line of the command list; commandCount() lines are meaningful.
    const std::array<std::uint8_t, 32>& commandMap() const;
    int commandCount() const;
    bool commandOffered(std::uint8_t code) const;
    int lockBitCount() const;
    int fuseBitCount() const;
    int aboutLineCount() const;
    int retryCounter() const;
};

}  // namespace kelvan::link
