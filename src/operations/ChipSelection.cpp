#include "operations/ChipSelection.h"

#include "link/Commands.h"

namespace kelvan::operations {

std::uint8_t chipIndexByte(int selectedIndex) {
    return static_cast<std::uint8_t>(static_cast<unsigned>(selectedIndex) & 0xFFu);
}

std::vector<link::Bytes> chipChosenCommands(int selectedIndex) {
    namespace commands = link::commands;
    return {
        commands::selectChip(chipIndexByte(selectedIndex)),
        commands::askCommandMask(),
        commands::askLockBitCount(),
        commands::askFuseBitCount(),
        commands::askProgramMemorySize(),
        commands::askEepromSize(),
        commands::askThirdSize(),
    };
}

}  // namespace kelvan::operations
