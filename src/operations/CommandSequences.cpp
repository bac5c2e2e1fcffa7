#include "operations/CommandSequences.h"

#include <algorithm>
#include <string>

#include "operations/ChipSelection.h"

namespace kelvan::operations {

namespace commands = link::commands;
using link::Bytes;
using link::CommandCode;

void CommandSequences::chooseCommand(int chipRow, int commandRow) {
    host_.status().resetStatusColour();
    link_.enqueue(commands::selectChip(chipIndexByte(chipRow)));
    if (const std::optional<std::uint8_t> code = link_.commandOfLine(commandRow)) {
        runStep(*code);
    }
}

void CommandSequences::runStep(std::uint8_t code) {
    switch (static_cast<CommandCode>(code)) {
        case CommandCode::ReadSignature:
            request(commands::readSignature());
            break;
        case CommandCode::ReadFuseBits:
            showBitDialog(link::BitKind::Fuse, false);
            link_.enqueue(commands::readFuseBits());
            break;
        case CommandCode::WriteFuseBit:
            showBitDialog(link::BitKind::Fuse, true);
            break;
        case CommandCode::ReadLockBits:
            showBitDialog(link::BitKind::Lock, false);
            link_.enqueue(commands::readLockBits());
            break;
        case CommandCode::WriteLockBit:
            showBitDialog(link::BitKind::Lock, true);
            break;
        case CommandCode::EraseAll:
            request(commands::eraseAll());
            break;
        case CommandCode::ReadProgramMemory:
            readSequence(link_.programMemorySize(), commands::readProgramMemory);
            break;
        case CommandCode::WriteProgramMemory:
            writeSequence(WriteSteps{
                .reload = Option::ReloadBeforeProgramWrite,
                .preparation = {{Option::SignatureBeforeErase, commands::readSignature, true},
                                {Option::EraseBeforeProgramWrite, commands::eraseAll, true},
                                {Option::SignatureAfterErase, commands::readSignature, true}},
                .size = link_.programMemorySize(),
                .write = commands::writeProgramMemory,
                .verify = Option::VerifyProgramWrite,
                .verifyCode = CommandCode::VerifyProgramMemory,
                .verifyCommand = commands::verifyProgramMemory,
                .lockBits = Option::LockBitsAfterProgramWrite,
            });
            break;
        case CommandCode::VerifyProgramMemory:
            verifySequence(link_.programMemorySize(), commands::verifyProgramMemory);
            break;
        case CommandCode::EraseEeprom:
            link_.enqueue(commands::eraseEeprom());  // the status text stays
            break;
        case CommandCode::ReadEeprom:
            readSequence(link_.eepromSize(), commands::readEeprom);
            break;
        case CommandCode::WriteEeprom:
            writeSequence(WriteSteps{
                .reload = Option::ReloadBeforeEepromWrite,
                .preparation = {{Option::SignatureBeforeEepromWrite, commands::readSignature, true},
                                {Option::EraseBeforeEepromWrite, commands::eraseEeprom, false}},
                .size = link_.eepromSize(),
                .write = commands::writeEeprom,
                .verify = Option::VerifyEepromWrite,
                .verifyCode = CommandCode::VerifyEeprom,
                .verifyCommand = commands::verifyEeprom,
                .lockBits = std::nullopt,
            });
            break;
        case CommandCode::VerifyEeprom:
            verifySequence(link_.eepromSize(), commands::verifyEeprom);
            break;
        case CommandCode::ReadCalibration:
            request(commands::readCalibration());
            break;
        default:
            break;  // 1, 2, 8, 16..19 and the empty lines: choosing them only selects the chip
    }
}

void CommandSequences::request(const Bytes& payload) {
    host_.status().setStatusText("");
    link_.enqueue(payload);
}

void CommandSequences::showBitDialog(link::BitKind dialog, bool writable) {
    host_.status().setStatusText("");
    host_.showBitDialog(dialog, writable);
}

// A size no chip has (a damaged reply, a confused programmer) would take gigabytes and hours to
// read, so it is refused with a word instead of taking the program down.
void CommandSequences::readSequence(std::uint32_t size, ReadCommand command) {
    if (size > MaxReadSize) {
        host_.status().setStatusErrorColour();
        host_.status().setStatusText("Чтение отменено: программатор сообщил размер памяти " +
                            std::to_string(size) + " байт, больше 16 МБ.");
        return;
    }
    host_.status().setStatusText("");
    buffer_.resize(size);
    host_.fitGridToBuffer();
    enqueueAll(readChunks(command, size));
    link_.enqueue(commands::endOfSequence());
}

void CommandSequences::verifySequence(std::uint32_t size, DataCommand command) {
    host_.status().setStatusText("");
    enqueueVerify(dataChunks(command, buffer_.bytes(), extentFor(size)));
}

// "Все верно." waits for the answer to the closing 255: that comes only after every chunk
// matched, since a failing chunk clears the queue, and never when the programmer stopped
// answering or the retry limit gave up on the way. Shown when the verify is queued, it would
// stand for checks that had not run yet, and stay when they never did.
void CommandSequences::enqueueVerify(std::span<const Bytes> chunks) {
    enqueueAll(chunks);
    link_.enqueueAnnouncing(commands::endOfSequence(), AllCorrectText);
}

// The size warning is modal and the conversation goes on while it is open, so everything queued
// after it is decided before it, from the buffer and the link as they stand. When the queue was
// cleared meanwhile (a wrong signature, the retry limit, a lost programmer), the chip select,
// checks and erase queued so far are gone: writing behind them would write a chip that failed
// its check or was never selected, so the sequence ends there.
void CommandSequences::writeSequence(const WriteSteps& steps) {
    if (options_.isSet(steps.reload) && !reloaded()) {
        return;
    }
    for (const PreparationStep& step : steps.preparation) {
        const Bytes payload = step.command();
        if (options_.isSet(step.option) && link_.commandOffered(payload[0])) {
            if (step.emptiesStatus) {
                host_.status().setStatusText("");
            }
            link_.enqueue(payload);
        }
    }
    host_.status().setStatusText("");

    const std::span<const std::uint8_t> image = buffer_.bytes();
    const std::uint32_t extent = extentFor(steps.size);
    std::vector<Bytes> writes = dataChunks(steps.write, image, extent);
    writes.push_back(commands::endOfSequence());

    const bool verifying =
        options_.isSet(steps.verify) && link_.commandOffered(link::byteOf(steps.verifyCode));
    std::vector<Bytes> verifies;
    if (verifying) {
        verifies = dataChunks(steps.verifyCommand, image, extent);
    }

    std::vector<Bytes> lockBits;
    if (steps.lockBits && options_.isSet(*steps.lockBits) &&
        link_.commandOffered(link::byteOf(CommandCode::WriteLockBit))) {
        // Every lock bit, whatever its check box shows.
        for (int index = 0; index < link_.lockBitCount(); ++index) {
            lockBits.push_back(commands::writeLockBit(static_cast<std::uint8_t>(index)));
        }
        lockBits.push_back(commands::endOfSequence());
    }

    if (buffer_.size() > steps.size) {
        const std::uint64_t clearsBefore = link_.queueClearCount();
        host_.showSizeWarning(SizeWarningText);
        if (link_.queueClearCount() != clearsBefore) {
            return;
        }
    }
    enqueueAll(writes);
    if (verifying) {
        enqueueVerify(verifies);
    }
    enqueueAll(lockBits);
}

// A write goes on only when the working file was loaded again; otherwise nothing is erased or
// written, and the status says so instead of keeping an older "Все верно.".
bool CommandSequences::reloaded() {
    const image::LoadOutcome outcome = host_.reloadWorkingFile();
    if (outcome == image::LoadOutcome::Loaded) {
        buffer_.setModified(false);
        return true;
    }
    host_.status().setStatusErrorColour();
    host_.status().setStatusText(reloadFailureText(outcome));
    return false;
}

std::string_view CommandSequences::reloadFailureText(image::LoadOutcome outcome) {
    switch (outcome) {
        case image::LoadOutcome::Loaded:
            return {};
        case image::LoadOutcome::NoFile:
            return "Ничего не записано: рабочий файл не выбран или не найден.";
        case image::LoadOutcome::IgnoredTooLong:
        case image::LoadOutcome::LengthWarning:
            return "Ничего не записано: рабочий файл слишком длинный (512 КБ и больше).";
        case image::LoadOutcome::Abandoned:
            return "Ничего не записано: в HEX-файле нет записи конца файла или запись "
                   "испорчена.";
        case image::LoadOutcome::OpenFailed:
            return "Ничего не записано: рабочий файл не открывается.";
    }
    return {};
}

void CommandSequences::enqueueAll(std::span<const Bytes> payloads) {
    for (const Bytes& payload : payloads) {
        link_.enqueue(payload);
    }
}

std::uint32_t CommandSequences::extentFor(std::uint32_t size) const {
    return static_cast<std::uint32_t>(std::min<std::size_t>(buffer_.size(), size));
}

}  // namespace kelvan::operations
