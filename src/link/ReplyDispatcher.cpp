#include "link/ReplyDispatcher.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>
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

// Hands the layout read from a reply to act; false, with nothing done, when the reply was
// shorter than its layout.
template <typename Layout, typename Act>
bool actOn(const std::optional<Layout>& layout, Act act) {
    if (!layout) {
        return false;
    }
    act(*layout);
    return true;
}

DeviceText deviceText(ReplyBytes bytes) {
    return DeviceText{std::string(bytes.begin(), bytes.end())};
}

}  // namespace

bool ReplyDispatcher::dispatch(ReplyBytes reply) {
    if (reply.empty()) {
        return false;
    }
    switch (static_cast<CommandCode>(reply[0])) {
        case CommandCode::ReadSignature:
            return actOn(readSignatureReply(reply),
                         [this](const CountedReply& signature) { showSignature(signature); });
        case CommandCode::ReadFuseBits:
            return actOn(readCountedReply(reply), [this](const CountedReply& states) {
                setBitStates(BitKind::Fuse, states.values);
            });
        case CommandCode::ReadLockBits:
            return actOn(readCountedReply(reply), [this](const CountedReply& states) {
                setBitStates(BitKind::Lock, states.values);
            });
        case CommandCode::ReadProgramMemory:
        case CommandCode::ReadEeprom:
            return actOn(readChunkReply(reply),
                         [this](const ChunkReply& chunk) { storeChunk(chunk); });
        case CommandCode::VerifyProgramMemory:
        case CommandCode::VerifyEeprom:
            return actOn(readVerifyReply(reply),
                         [this](const VerifyReply& verify) { checkVerify(verify); });
        case CommandCode::ReadCalibration:
            return actOn(readCountedReply(reply),
                         [this](const CountedReply& calibration) { showCalibration(calibration); });
        case CommandCode::AskThirdSize:
            // No operation uses this size; the reply must still hold it to count as an answer.
            return actOn(readWordReply(reply), [](std::uint32_t) {});
        case CommandCode::AskEepromSize:
            return actOn(readWordReply(reply),
                         [this](std::uint32_t size) { tables_.eepromSize = size; });
        case CommandCode::AskProgramMemorySize:
            return actOn(readWordReply(reply),
                         [this](std::uint32_t size) { tables_.programMemorySize = size; });
        case CommandCode::AskLockBitCaption:
            return actOn(readIndexedTextReply(reply), [this](const IndexedTextReply& caption) {
                setBitCaption(BitKind::Lock, caption);
            });
        case CommandCode::AskLockBitCount:
            return actOn(readCountReply(reply),
                         [this](std::uint8_t count) { rebuildBitBoxes(BitKind::Lock, count); });
        case CommandCode::AskFuseBitCaption:
            return actOn(readIndexedTextReply(reply), [this](const IndexedTextReply& caption) {
                setBitCaption(BitKind::Fuse, caption);
            });
        case CommandCode::AskFuseBitCount:
            return actOn(readCountReply(reply),
                         [this](std::uint8_t count) { rebuildBitBoxes(BitKind::Fuse, count); });
        case CommandCode::AskCommandMask:
            return actOn(readWordReply(reply),
                         [this](std::uint32_t mask) { tables_.commands.rebuild(mask, view_); });
        case CommandCode::AskChipName:
            return actOn(readTextReply(reply),
                         [this](ReplyBytes name) { view_.appendChip(deviceText(name)); });
        case CommandCode::AskChipCount:
            return actOn(readCountReply(reply),
                         [this](std::uint8_t count) { askChipNames(count); });
        case CommandCode::AskAboutLine:
            return actOn(readIndexedTextReply(reply),
                         [this](const IndexedTextReply& line) { setAboutLine(line); });
        case CommandCode::AskAboutLineCount:
            return actOn(readCountReply(reply),
                         [this](std::uint8_t count) { rebuildAboutLabels(count); });
        case CommandCode::AskTitle:
            return actOn(readTextReply(reply), [this](ReplyBytes title) { setTitle(title); });
        default:
            // The acknowledgements (4, 6, 7, 10, 12, 14, 249, 255, ...): their code is all
            // they carry, and answering is all they do.
            return true;
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

void ReplyDispatcher::setBitStates(BitKind dialog, ReplyBytes states) {
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
    view_.showFailedAddress(verify.address);
    // The remaining verify chunks and the closing 255 are not sent.
    queue_.clear();
}

void ReplyDispatcher::setBitCaption(BitKind dialog, const IndexedTextReply& caption) {
    if (caption.index < tables_.bitCount(dialog)) {
        view_.setBitCaption(dialog, caption.index, deviceText(caption.text));
    }
}

void ReplyDispatcher::rebuildBitBoxes(BitKind dialog, std::uint8_t count) {
    view_.createBitBoxes(dialog, count);
    tables_.bitCount(dialog) = count;
    for (int index = 0; index < count; ++index) {
        const auto bitIndex = static_cast<std::uint8_t>(index);
        queue_.enqueue(dialog == BitKind::Lock ? commands::askLockBitCaption(bitIndex)
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
