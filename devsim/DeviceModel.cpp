#include "devsim/DeviceModel.h"

#include <algorithm>
#include <string_view>

#include "devsim/Cp1251.h"
#include "link/Commands.h"

namespace kelvan::devsim {
namespace {

using link::CommandCode;
using enum link::CommandCode;

constexpr std::size_t MaxPayload = 255;

// Length of the fixed fields (code included) each command needs before it can be acted on.
std::size_t fixedLength(std::uint8_t code) {
    switch (static_cast<CommandCode>(code)) {
        case WriteFuseBit:
            return 3;
        case WriteLockBit:
        case AskLockBitCaption:
        case AskFuseBitCaption:
        case SelectChip:
        case AskChipName:
        case AskAboutLine:
            return 2;
        case ReadProgramMemory:
        case WriteProgramMemory:
        case VerifyProgramMemory:
        case ReadEeprom:
        case WriteEeprom:
        case VerifyEeprom:
            return 6;
        default:
            return 1;
    }
}

std::uint32_t readU32(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) |
           static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

void appendU32(Bytes& reply, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        reply.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::uint8_t countByte(std::size_t count) {
    return static_cast<std::uint8_t>(std::min<std::size_t>(count, 255));
}

// Appends a length byte and the Windows-1251 form of utf8, cut short so the reply stays
// within one frame.
void appendText(Bytes& reply, std::string_view utf8) {
    std::string text = utf8ToCp1251(utf8);
    const std::size_t room = MaxPayload - std::min(MaxPayload, reply.size() + 1);
    text.resize(std::min(text.size(), room));
    reply.push_back(static_cast<std::uint8_t>(text.size()));
    reply.insert(reply.end(), text.begin(), text.end());
}

// Appends n and the n values, as replies 3 and 5 carry the bit states.
void appendBitStates(Bytes& reply, const std::vector<bool>* bits) {
    const std::size_t count = bits ? std::min<std::size_t>(bits->size(), MaxPayload - 2) : 0;
    reply.push_back(static_cast<std::uint8_t>(count));
    for (std::size_t i = 0; i < count; ++i) {
        reply.push_back((*bits)[i] ? 1 : 0);
    }
}

void appendByteList(Bytes& reply, const Bytes* bytes) {
    const std::size_t count = bytes ? std::min<std::size_t>(bytes->size(), MaxPayload - 3) : 0;
    reply.push_back(static_cast<std::uint8_t>(count));
    if (count > 0) {
        reply.insert(reply.end(), bytes->begin(),
                     bytes->begin() + static_cast<std::ptrdiff_t>(count));
    }
}

std::string_view captionAt(const std::vector<BitDescription>* bits, std::size_t index) {
    return bits && index < bits->size() ? std::string_view((*bits)[index].caption)
                                        : std::string_view();
}

std::vector<bool> initialStates(const std::vector<BitDescription>& bits) {
    std::vector<bool> states;
    for (const BitDescription& bit : bits) {
        states.push_back(bit.set);
    }
    return states;
}

// The image a fresh chip holds: a fixed pseudo-random pattern per chip and memory, so that
// reads show data and misplaced chunks are caught.
Bytes initialImage(std::size_t chipIndex, std::size_t size, bool eeprom) {
    // xorshift32: cheap, deterministic and without a period that lines up with chunk sizes.
    std::uint32_t state = 0x9E3779B9u ^ static_cast<std::uint32_t>(chipIndex * 0x85EBCA6Bu) ^
                          (eeprom ? 0x27D4EB2Fu : 0u);
    Bytes image(size);
    for (std::uint8_t& byte : image) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return image;
}

}  // namespace

DeviceModel::DeviceModel(const Catalogue& catalogue)
    : title_(catalogue.title), aboutLines_(catalogue.aboutLines) {
    for (const ChipDescription& description : catalogue.chips) {
        const std::size_t index = chips_.size();
        chips_.push_back(Chip{
            .description = description,
            .programMemory = initialImage(index, description.programMemorySize, false),
            .eeprom = initialImage(index, description.eepromSize, true),
            .fuseBits = initialStates(description.fuseBits),
            .lockBits = initialStates(description.lockBits),
        });
    }
}

Chip* DeviceModel::selected() {
    return selected_ ? &chips_[*selected_] : nullptr;
}

Bytes DeviceModel::handle(std::span<const std::uint8_t> command) {
    if (command.empty()) {
        return {};
    }
    const std::uint8_t code = command[0];
    Bytes reply{code};
    if (command.size() < fixedLength(code)) {
        return reply;
    }
    switch (static_cast<CommandCode>(code)) {
        case SelectChip:
            selected_ =
                command[1] < chips_.size() ? std::optional<std::size_t>(command[1]) : std::nullopt;
            return reply;
        case AskChipName:
            appendText(reply, command[1] < chips_.size()
                                  ? std::string_view(chips_[command[1]].description.name)
                                  : std::string_view());
            return reply;
        case AskChipCount:
            reply.push_back(countByte(chips_.size()));
            return reply;
        case AskAboutLine:
            reply.push_back(command[1]);
            appendText(reply, command[1] < aboutLines_.size()
                                  ? std::string_view(aboutLines_[command[1]])
                                  : std::string_view());
            return reply;
        case AskAboutLineCount:
            reply.push_back(countByte(aboutLines_.size()));
            return reply;
        case AskTitle:
            appendText(reply, title_);
            return reply;
        default:
            return handleChipCommand(code, command);
    }
}

Bytes DeviceModel::handleChipCommand(std::uint8_t code, std::span<const std::uint8_t> command) {
    Chip* chip = selected();
    // A chip operation the selected chip does not offer is answered as if no chip were there.
    if (chip != nullptr && code < 32 && (chip->description.commandMask >> code & 1u) == 0) {
        chip = nullptr;
    }
    static const Bytes noMemory;
    const Bytes& program = chip ? chip->programMemory : noMemory;
    const Bytes& eeprom = chip ? chip->eeprom : noMemory;
    const ChipDescription* description = chip ? &chip->description : nullptr;

    Bytes reply{code};
    switch (static_cast<CommandCode>(code)) {
        case ReadSignature:
            appendByteList(reply, description ? &description->signature : nullptr);
            reply.push_back(chip != nullptr && !wrongSignature_ ? 1 : 0);
            break;
        case ReadFuseBits:
            appendBitStates(reply, chip ? &chip->fuseBits : nullptr);
            break;
        case ReadLockBits:
            appendBitStates(reply, chip ? &chip->lockBits : nullptr);
            break;
        case WriteFuseBit:
            if (chip != nullptr && command[1] < chip->fuseBits.size()) {
                chip->fuseBits[command[1]] = command[2] != 0;
            }
            break;
        case WriteLockBit:
            if (chip != nullptr && command[1] < chip->lockBits.size()) {
                chip->lockBits[command[1]] = true;
            }
            break;
        case EraseAll:  // erasing everything also releases the lock bits
            if (chip != nullptr) {
                std::fill(chip->programMemory.begin(), chip->programMemory.end(), 0xFF);
                std::fill(chip->eeprom.begin(), chip->eeprom.end(), 0xFF);
                std::fill(chip->lockBits.begin(), chip->lockBits.end(), false);
            }
            break;
        case EraseProgramMemory:
            if (chip != nullptr) {
                std::fill(chip->programMemory.begin(), chip->programMemory.end(), 0xFF);
            }
            break;
        case EraseEeprom:
            if (chip != nullptr) {
                std::fill(chip->eeprom.begin(), chip->eeprom.end(), 0xFF);
            }
            break;
        case ReadProgramMemory:
            return readMemory(code, program, command);
        case ReadEeprom:
            return readMemory(code, eeprom, command);
        case WriteProgramMemory:
            if (chip != nullptr) {
                writeMemory(chip->programMemory, command, badProgramCells_);
            }
            break;
        case WriteEeprom:
            if (chip != nullptr) {
                writeMemory(chip->eeprom, command, {});
            }
            break;
        case VerifyProgramMemory:
            return verifyMemory(code, program, command);
        case VerifyEeprom:
            return verifyMemory(code, eeprom, command);
        case ReadCalibration:
            appendByteList(reply, description ? &description->calibration : nullptr);
            break;
        case AskThirdSize:
            appendU32(reply, description ? description->ramSize : 0);
            break;
        case AskEepromSize:
            appendU32(reply, description ? description->eepromSize : 0);
            break;
        case AskProgramMemorySize:
            appendU32(reply, description ? description->programMemorySize : 0);
            break;
        case AskLockBitCaption:
            reply.push_back(command[1]);
            appendText(reply,
                       captionAt(description ? &description->lockBits : nullptr, command[1]));
            break;
        case AskFuseBitCaption:
            reply.push_back(command[1]);
            appendText(reply,
                       captionAt(description ? &description->fuseBits : nullptr, command[1]));
            break;
        case AskLockBitCount:
            reply.push_back(countByte(chip ? chip->lockBits.size() : 0));
            break;
        case AskFuseBitCount:
            reply.push_back(countByte(chip ? chip->fuseBits.size() : 0));
            break;
        case AskCommandMask:
            appendU32(reply, description ? description->commandMask : 0);
            break;
        default:
            break;  // 1, 2, 16..19, 255 and unknown codes: the code alone
    }
    return reply;
}

Bytes DeviceModel::readMemory(std::uint8_t code, const Bytes& memory,
                              std::span<const std::uint8_t> command) {
    const std::uint32_t address = readU32(command, 1);
    std::size_t count = std::min<std::size_t>(command[5], MaxReadCount);
    count = address < memory.size() ? std::min<std::size_t>(count, memory.size() - address) : 0;
    Bytes reply{code};
    appendU32(reply, address);
    reply.push_back(static_cast<std::uint8_t>(count));
    if (count > 0) {
        const auto first = memory.begin() + static_cast<std::ptrdiff_t>(address);
        reply.insert(reply.end(), first, first + static_cast<std::ptrdiff_t>(count));
    }
    return reply;
}

void DeviceModel::writeMemory(Bytes& memory, std::span<const std::uint8_t> command,
                              std::span<const std::uint32_t> badCells) {
    const std::uint64_t address = readU32(command, 1);
    const std::span<const std::uint8_t> data =
        command.subspan(6, std::min<std::size_t>(command[5], command.size() - 6));
    for (std::size_t i = 0; i < data.size() && address + i < memory.size(); ++i) {
        const bool bad = std::find(badCells.begin(), badCells.end(), address + i) != badCells.end();
        memory[address + i] = bad ? static_cast<std::uint8_t>(~data[i]) : data[i];
    }
}

Bytes DeviceModel::verifyMemory(std::uint8_t code, const Bytes& memory,
                                std::span<const std::uint8_t> command) {
    const std::uint32_t address = readU32(command, 1);
    const std::uint8_t count = command[5];
    const std::span<const std::uint8_t> data = command.subspan(6);
    std::uint32_t failing = address;
    bool matches = true;
    for (std::size_t i = 0; i < count && matches; ++i) {
        const std::uint64_t at = std::uint64_t{address} + i;
        matches = i < data.size() && at < memory.size() && memory[at] == data[i];
        if (!matches) {
            failing = static_cast<std::uint32_t>(at);
        }
    }
    Bytes reply{code};
    appendU32(reply, failing);
    reply.push_back(count);
    reply.push_back(matches ? 1 : 0);
    return reply;
}

}  // namespace kelvan::devsim
