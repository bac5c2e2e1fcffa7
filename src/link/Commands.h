#pragma once

// The vocabulary of the link: the CommandCodes, their captions, and one routine per command
// that lays out its payload. The windows queue a command with
// ProgrammerLink::enqueue(commands::selectChip(index)).

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "link/LinkFrame.h"

namespace kelvan::link {

// Byte 0 of every payload in both directions.
enum class CommandCode : std::uint8_t {
    ReadSignature = 0,
    EnableProgramming = 1,
    DisableProgramming = 2,
    ReadFuseBits = 3,
    WriteFuseBit = 4,
    ReadLockBits = 5,
    WriteLockBit = 6,
    EraseAll = 7,
    EraseProgramMemory = 8,
    ReadProgramMemory = 9,
    WriteProgramMemory = 10,
    VerifyProgramMemory = 11,
    EraseEeprom = 12,
    ReadEeprom = 13,
    WriteEeprom = 14,
    VerifyEeprom = 15,
    EraseRam = 16,
    ReadRam = 17,
    WriteRam = 18,
    VerifyRam = 19,
    ReadCalibration = 20,
    AskThirdSize = 241,
    AskEepromSize = 242,
    AskProgramMemorySize = 243,
    AskLockBitCaption = 244,
    AskLockBitCount = 245,
    AskFuseBitCaption = 246,
    AskFuseBitCount = 247,
    AskCommandMask = 248,
    SelectChip = 249,
    AskChipName = 250,
    AskChipCount = 251,
    AskAboutLine = 252,
    AskAboutLineCount = 253,
    AskTitle = 254,
    EndOfSequence = 255,
};

constexpr std::uint8_t byteOf(CommandCode code) {
    return static_cast<std::uint8_t>(code);
}

// The most data one read, write or verify command carries.
inline constexpr std::size_t ChunkSize = 224;
// Code, 4 address bytes, count, then at most ChunkSize data bytes.
inline constexpr std::size_t MaxPayloadSize = ChunkSize + 6;
static_assert(MaxPayloadSize <= MaxPayloadLength, "a full chunk must fit in one frame");

// Caption of each CommandCode 0..31 as the command list shows it (21..31 are empty).
extern const std::array<std::string_view, 32> CommandNameTable;

namespace commands {

Bytes readSignature();
Bytes readFuseBits();
Bytes writeFuseBit(std::uint8_t index, bool value);
Bytes readLockBits();
Bytes writeLockBit(std::uint8_t index);
Bytes eraseAll();
Bytes eraseEeprom();
Bytes readCalibration();

// Reads count bytes from address (code 9 or 13).
Bytes readProgramMemory(std::uint32_t address, std::uint8_t count);
Bytes readEeprom(std::uint32_t address, std::uint8_t count);

// Write and verify chunks carry their data (at most ChunkSize bytes; more throws
// std::length_error, since the count travels in one byte and a frame holds 255).
Bytes writeProgramMemory(std::uint32_t address, std::span<const std::uint8_t> data);
Bytes verifyProgramMemory(std::uint32_t address, std::span<const std::uint8_t> data);
Bytes writeEeprom(std::uint32_t address, std::span<const std::uint8_t> data);
Bytes verifyEeprom(std::uint32_t address, std::span<const std::uint8_t> data);

Bytes askThirdSize();
Bytes askEepromSize();
Bytes askProgramMemorySize();
Bytes askLockBitCaption(std::uint8_t index);
Bytes askLockBitCount();
Bytes askFuseBitCaption(std::uint8_t index);
Bytes askFuseBitCount();
Bytes askCommandMask();
Bytes selectChip(std::uint8_t chipIndex);
Bytes askChipName(std::uint8_t index);
Bytes askChipCount();
Bytes askAboutLine(std::uint8_t index);
Bytes askAboutLineCount();
Bytes askTitle();
Bytes endOfSequence();

}  // namespace commands
}  // namespace kelvan::link
