#include "link/Commands.h"

#include <algorithm>
#include <stdexcept>

namespace kelvan::link {

const std::array<std::string_view, 32> CommandNameTable{
    "Читать сигнатуру",
    "Разрешить прогр-ие",
    "Запретить прогр-ие",
    "Читать FUSE биты",
    "Записать FUSE биты",
    "Читать LOCK биты",
    "Записать LOCK биты",
    "Стереть все",
    "Стереть память программ",
    "Читать память программ",
    "Записать память программ",
    "Сверить память программ",
    "Стереть EEPROM",
    "Читать EEPROM",
    "Записать EEPROM",
    "Сверить EEPROM",
    "Стереть RAM",
    "Читать RAM",
    "Записать RAM",
    "Сверить RAM",
    "Читать калибровочные байты",
};

namespace commands {
namespace {

Bytes single(CommandCode code) {
    return Bytes{byteOf(code)};
}

Bytes indexed(CommandCode code, std::uint8_t index) {
    return Bytes{byteOf(code), index};
}

// Code, address little-endian, count.
Bytes addressed(CommandCode code, std::uint32_t address, std::uint8_t count) {
    return Bytes{byteOf(code),
                 static_cast<std::uint8_t>(address),
                 static_cast<std::uint8_t>(address >> 8),
                 static_cast<std::uint8_t>(address >> 16),
                 static_cast<std::uint8_t>(address >> 24),
                 count};
}

Bytes withData(CommandCode code, std::uint32_t address, std::span<const std::uint8_t> data) {
    if (data.size() > ChunkSize) {
        throw std::length_error("link chunk longer than 224 bytes");
    }
    const Bytes head = addressed(code, address, static_cast<std::uint8_t>(data.size()));
    Bytes payload(head.size() + data.size());
    std::copy(head.begin(), head.end(), payload.begin());
    std::copy(data.begin(), data.end(), payload.begin() + static_cast<std::ptrdiff_t>(head.size()));
    return payload;
}

}  // namespace

Bytes readSignature() {
    return single(CommandCode::ReadSignature);
}
Bytes readFuseBits() {
    return single(CommandCode::ReadFuseBits);
}
Bytes writeFuseBit(std::uint8_t index, bool value) {
    return Bytes{byteOf(CommandCode::WriteFuseBit), index, static_cast<std::uint8_t>(value)};
}
Bytes readLockBits() {
    return single(CommandCode::ReadLockBits);
}
Bytes writeLockBit(std::uint8_t index) {
    return indexed(CommandCode::WriteLockBit, index);
}
Bytes eraseAll() {
    return single(CommandCode::EraseAll);
}
Bytes eraseEeprom() {
    return single(CommandCode::EraseEeprom);
}
Bytes readCalibration() {
    return single(CommandCode::ReadCalibration);
}

Bytes readProgramMemory(std::uint32_t address, std::uint8_t count) {
    return addressed(CommandCode::ReadProgramMemory, address, count);
}
Bytes readEeprom(std::uint32_t address, std::uint8_t count) {
    return addressed(CommandCode::ReadEeprom, address, count);
}
Bytes writeProgramMemory(std::uint32_t address, std::span<const std::uint8_t> data) {
    return withData(CommandCode::WriteProgramMemory, address, data);
}
Bytes verifyProgramMemory(std::uint32_t address, std::span<const std::uint8_t> data) {
    return withData(CommandCode::VerifyProgramMemory, address, data);
}
Bytes writeEeprom(std::uint32_t address, std::span<const std::uint8_t> data) {
    return withData(CommandCode::WriteEeprom, address, data);
}
Bytes verifyEeprom(std::uint32_t address, std::span<const std::uint8_t> data) {
    return withData(CommandCode::VerifyEeprom, address, data);
}

Bytes askThirdSize() {
    return single(CommandCode::AskThirdSize);
}
Bytes askEepromSize() {
    return single(CommandCode::AskEepromSize);
}
Bytes askProgramMemorySize() {
    return single(CommandCode::AskProgramMemorySize);
}
Bytes askLockBitCaption(std::uint8_t index) {
    return indexed(CommandCode::AskLockBitCaption, index);
}
Bytes askLockBitCount() {
    return single(CommandCode::AskLockBitCount);
}
Bytes askFuseBitCaption(std::uint8_t index) {
    return indexed(CommandCode::AskFuseBitCaption, index);
}
Bytes askFuseBitCount() {
    return single(CommandCode::AskFuseBitCount);
}
Bytes askCommandMask() {
    return single(CommandCode::AskCommandMask);
}
Bytes selectChip(std::uint8_t chipIndex) {
    return indexed(CommandCode::SelectChip, chipIndex);
}
Bytes askChipName(std::uint8_t index) {
    return indexed(CommandCode::AskChipName, index);
}
Bytes askChipCount() {
    return single(CommandCode::AskChipCount);
}
Bytes askAboutLine(std::uint8_t index) {
    return indexed(CommandCode::AskAboutLine, index);
}
Bytes askAboutLineCount() {
    return single(CommandCode::AskAboutLineCount);
}
Bytes askTitle() {
    return single(CommandCode::AskTitle);
}
Bytes endOfSequence() {
    return single(CommandCode::EndOfSequence);
}

}  // namespace commands
}  // namespace kelvan::link
