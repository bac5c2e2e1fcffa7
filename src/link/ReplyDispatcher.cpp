#include "link/ReplyDispatcher.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <string>
#include <string_view>

#include "link/Commands.h"

namespace kelvan::link {

namespace {

// Appends value in upper-case hexadecimal without leading zeros.
void appendHex(std::string& text, std::uint32_t value) {
    std::array<char, 8> digits{};
    const auto result = std::to_chars(digits.begin(), digits.end(), value, 16);
    std::transform(digits.begin(), result.ptr, digits.begin(),
                   [](char digit) { return static_cast<char>(std::toupper(digit)); });
    text.append(digits.begin(), result.ptr);
}

// label, then a space and the hexadecimal value of each byte.
std::string hexList(std::string_view label, ReplyBytes values) {
    std::string text(label);
    for (const std::uint8_t byte : values) {
        text += ' ';
        appendHex(text, byte);
    }
    return text;
}

DeviceText deviceText(ReplyBytes bytes) {
    return DeviceText{std::string(bytes.begin(), bytes.end())};
}

}  // namespace

void ReplyDispatcher::dispatch(ReplyBytes reply) {
    if (reply.empty()) {
        return;
    }
    switch (static_cast<CommandCode>(reply[0])) {
        case CommandCode::ReadSignature:
            if (const auto signature = readSignatureReply(reply)) {
                showSignature(*signature);
            }
            break;
        case CommandCode::ReadFuseBits:
            if (const auto states = readCountedReply(reply)) {
                setBitStates(BitDialog::Fuse, states->values);
            }
            break;
        case CommandCode::ReadLockBits:
            if (const auto states = readCountedReply(reply)) {
                setBitStates(BitDialog::Lock, states->values);
            }
            break;
        case CommandCode::ReadProgramMemory:
        case CommandCode::ReadEeprom:
            if (const auto chunk = readChunkReply(reply)) {
                storeChunk(*chunk);
            }
            break;
        case CommandCode::VerifyProgramMemory:
        case CommandCode::VerifyEeprom:
            if (const auto verify = readVerifyReply(reply)) {
                checkVerify(*verify);
            }
            break;
        case CommandCode::ReadCalibration:
            if (const auto calibration = readCountedReply(reply)) {
                showCalibration(*calibration);
            }
            break;
        case CommandCode::AskEepromSize:
            if (const auto size = readWordReply(reply)) {
                tables_.eepromSize = *size;
            }
            break;
        case CommandCode::AskProgramMemorySize:
            if (const auto size = readWordReply(reply)) {
                tables_.programMemorySize = *size;
            }
            break;
        case CommandCode::AskLockBitCaption:
            if (const auto caption = readIndexedTextReply(reply)) {
                setBitCaption(BitDialog::Lock, *caption);
            }
            break;
        case CommandCode::AskLockBitCount:
            if (const auto count = readCountReply(reply)) {
                rebuildBitBoxes(BitDialog::Lock, *count);
            }
            break;
        case CommandCode::AskFuseBitCaption:
            if (const auto caption = readIndexedTextReply(reply)) {
                setBitCaption(BitDialog::Fuse, *caption);
            }
            break;
        case CommandCode::AskFuseBitCount:
            if (const auto count = readCountReply(reply)) {
                rebuildBitBoxes(BitDialog::Fuse, *count);
            }
            break;
        case CommandCode::AskCommandMask:
            if (const auto mask = readWordReply(reply)) {
                tables_.commands.rebuild(*mask, view_);
            }
            break;
        case CommandCode::AskChipName:
            if (const auto name = readTextReply(reply)) {
                view_.appendChip(deviceText(*name));
            }
            break;
        case CommandCode::AskChipCount:
            if (const auto count = readCountReply(reply)) {
                askChipNames(*count);
            }
            break;
        case CommandCode::AskAboutLine:
            if (const auto line = readIndexedTextReply(reply)) {
                setAboutLine(*line);
            }
            break;
        case CommandCode::AskAboutLineCount:
            if (const auto count = readCountReply(reply)) {
                rebuildAboutLabels(*count);
            }
            break;
        case CommandCode::AskTitle:
            if (const auto title = readTextReply(reply)) {
                setTitle(*title);
            }
            break;
        default:
            // 241 (a size no operation uses) and the acknowledgements (4, 6, 7, 10, 12, 14,
            // 249, 255, ...): answering is all they do.
            break;
    }
}

void ReplyDispatcher::showSignature(const CountedReply& signature) {
    std::string text = hexList("Сигнатура:", signature.values);
    if (signature.verdict != 0) {
        text += " верна";
        view_.setStatusText(text);
        return;
    }
    text += " не верна!";
    view_.setStatusErrorColour();
    view_.setStatusText(text);
    // Drops the rest of the operation, such as an erase and writes queued behind the check.
    queue_.clear();
}

void ReplyDispatcher::showCalibration(const CountedReply& calibration) {
    view_.setStatusText(hexList("Калибровочные байты:", calibration.values));
}

void ReplyDispatcher::setBitStates(BitDialog dialog, ReplyBytes states) {
    const std::size_t boxes = static_cast<std::size_t>(tables_.bitCount(dialog));
    const std::size_t applied = std::min(states.size(), boxes);
    for (std::size_t index = 0; index < applied; ++index) {
        view_.setBitChecked(dialog, static_cast<int>(index), states[index] != 0);
    }
}

void ReplyDispatcher::storeChunk(const ChunkReply& chunk) {
    if (buffer_.writeAt(chunk.address, chunk.data)) {
        view_.formatGrid();
    }
}

void ReplyDispatcher::checkVerify(const VerifyReply& verify) {
    if (verify.result != 0) {
        return;
    }
    std::string text = "Ошибка по адресу ";
    appendHex(text, verify.address);
    text += ". Попробуйте программировать снова!";
    view_.setStatusErrorColour();
    view_.setStatusText(text);
    // The remaining verify chunks and the closing 255 are not sent.
    queue_.clear();
}

void ReplyDispatcher::setBitCaption(BitDialog dialog, const IndexedTextReply& caption) {
    if (caption.index < tables_.bitCount(dialog)) {
        view_.setBitCaption(dialog, caption.index, deviceText(caption.text));
    }
}

void ReplyDispatcher::rebuildBitBoxes(BitDialog dialog, std::uint8_t count) {
    view_.createBitBoxes(dialog, count);
    tables_.bitCount(dialog) = count;
    for (int index = 0; index < count; ++index) {
        const auto bitIndex = static_cast<std::uint8_t>(index);
        queue_.enqueue(dialog == BitDialog::Lock ? commands::askLockBitCaption(bitIndex)
                                                 : commands::askFuseBitCaption(bitIndex));
    }
}

void ReplyDispatcher::setAboutLine(const IndexedTextReply& line) {
    if (line.index < tables_.aboutLineCount) {
        view_.setAboutLine(line.index, deviceText(line.text));
    }
}

void ReplyDispatcher::rebuildAboutLabels(std::uint8_t count) {
    view_.createAboutLabels(count);
    tables_.aboutLineCount = count;
    for (int index = 0; index < count; ++index) {
        queue_.enqueue(commands::askAboutLine(static_cast<std::uint8_t>(index)));
    }
}

void ReplyDispatcher::askChipNames(std::uint8_t count) {
    // A count of 0 keeps the chips listed so far.
    if (count >= 1) {
        view_.clearChipList();
    }
    for (int index = 0; index < count; ++index) {
        queue_.enqueue(commands::askChipName(static_cast<std::uint8_t>(index)));
    }
}

void ReplyDispatcher::setTitle(ReplyBytes title) {
    view_.setCaption(deviceText(title));
    queue_.enqueue(commands::askAboutLineCount());
    queue_.enqueue(commands::askChipCount());
}

}  // namespace kelvan::link
