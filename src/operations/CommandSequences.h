#pragma once

// Choosing a line of the command list: the commands each chip operation queues, from the single
// requests (signature, bits, erase, calibration) to the chunked reads, verifies and the two
// write sequences with their options. Only queues; the replies are the link's business.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "image/ProgramBuffer.h"
#include "link/Commands.h"
#include "link/LinkFrame.h"
#include "operations/ChunkSeries.h"
#include "operations/OperationPorts.h"

namespace kelvan::operations {

// Status texts of the sequences.
inline constexpr std::string_view AllCorrectText = "Все верно.";
inline constexpr std::string_view SizeWarningText = "Запишу только то, что войдет в микросхему!";

// The largest memory a read takes into ProgramBuffer.
inline constexpr std::uint32_t MaxReadSize = 16 * 1024 * 1024;

class CommandSequences {
  public:
    CommandSequences(LinkAccess& link, const OptionSource& options, ProgramBuffer& buffer,
                     OperationHost& host)
        : link_(link), options_(options), buffer_(buffer), host_(host) {}

    // ListBox2Click: resets the status colour, queues chip select 249 for chipRow (-1: none)
    // and, when commandRow (-1: none) is a listed line, runs the step of its CommandCode.
    void chooseCommand(int chipRow, int commandRow);

    // The status text when a write stopped because the reload of the working file did not
    // load it; empty for Loaded.
    static std::string_view reloadFailureText(image::LoadOutcome outcome);

  private:
    // One optional step before a write: queued when its option is set and the programmer
    // offers its command.
    struct PreparationStep {
        Option option;
        link::Bytes (*command)();
        bool emptiesStatus;
    };

    // What distinguishes the program memory write from the EEPROM write.
    struct WriteSteps {
        Option reload;
        std::vector<PreparationStep> preparation;
        std::uint32_t size;
        DataCommand write;
        Option verify;
        link::CommandCode verifyCode;
        DataCommand verifyCommand;
        std::optional<Option> lockBits;  // program memory only: set every lock bit at the end
    };

    void runStep(std::uint8_t code);
    void request(const link::Bytes& payload);
    void showBitDialog(link::BitKind dialog, bool writable);
    void readSequence(std::uint32_t size, ReadCommand command);
    void verifySequence(std::uint32_t size, DataCommand command);
    void writeSequence(const WriteSteps& steps);
    bool reloaded();
    void enqueueAll(std::span<const link::Bytes> payloads);
    void enqueueVerify(std::span<const link::Bytes> chunks);
    // The extent a write or verify covers: the buffer, cut to the memory size.
    std::uint32_t extentFor(std::uint32_t size) const;

    LinkAccess& link_;
    const OptionSource& options_;
    ProgramBuffer& buffer_;
    OperationHost& host_;
};

}  // namespace kelvan::operations
