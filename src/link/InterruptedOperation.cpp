#include "link/InterruptedOperation.h"

#include <algorithm>

#include "link/CommandQueue.h"
#include "link/Commands.h"

namespace kelvan::link {
namespace {

constexpr std::uint8_t LastChipOperation = byteOf(CommandCode::ReadCalibration);

// The chip operations that change what the chip holds.
bool changesChip(std::uint8_t code) {
    switch (static_cast<CommandCode>(code)) {
        case CommandCode::WriteFuseBit:
        case CommandCode::WriteLockBit:
        case CommandCode::EraseAll:
        case CommandCode::EraseProgramMemory:
        case CommandCode::WriteProgramMemory:
        case CommandCode::EraseEeprom:
        case CommandCode::WriteEeprom:
        case CommandCode::EraseRam:
        case CommandCode::WriteRam:
            return true;
        default:
            return false;
    }
}

}  // namespace

Interruption interruptionOf(const CommandQueue& queue) {
    Interruption found = Interruption::None;
    queue.forEachEntry(
        [&found](std::span<const std::uint8_t> payload, std::string_view statusWhenAnswered) {
            const std::uint8_t code = payload.front();
            if (changesChip(code)) {
                found = Interruption::Changing;
            } else if (code <= LastChipOperation || !statusWhenAnswered.empty()) {
                found = std::max(found, Interruption::Checking);
            }
        });
    return found;
}

std::string cancelledText(std::string_view operation, Interruption interruption) {
    if (interruption == Interruption::None) {
        return {};
    }
    std::string text = operation.empty()
                           ? std::string("Операция прервана.")
                           : "Операция «" + std::string(operation) + "» прервана.";
    if (interruption == Interruption::Changing) {
        text += " Микросхема может быть записана или стёрта не полностью.";
    }
    return text;
}

std::string_view interruptionText(Interruption interruption) {
    switch (interruption) {
        case Interruption::Checking:
            return InterruptedCheckText;
        case Interruption::Changing:
            return InterruptedChangeText;
        case Interruption::None:
            break;
    }
    return {};
}

}  // namespace kelvan::link
