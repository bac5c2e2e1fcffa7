#include "link/ReplyLayout.h"

#include <algorithm>

#include "link/Commands.h"

namespace kelvan::link {

std::uint8_t ReplyReader::byte() {
    const ReplyBytes one = bytes(1);
    return one.empty() ? 0 : one[0];
}

std::uint32_t ReplyReader::word() {
    const ReplyBytes four = bytes(4);
    if (four.empty()) {
        return 0;
    }
    return static_cast<std::uint32_t>(four[0]) | static_cast<std::uint32_t>(four[1]) << 8 |
           static_cast<std::uint32_t>(four[2]) << 16 | static_cast<std::uint32_t>(four[3]) << 24;
}

ReplyBytes ReplyReader::bytes(std::size_t count) {
    if (!ok_ || count > rest_.size()) {
        ok_ = false;
        return {};
    }
    const ReplyBytes taken = rest_.first(count);
    rest_ = rest_.subspan(count);
    return taken;
}

namespace {

template <typename T>
std::optional<T> ifComplete(const ReplyReader& reader, T value) {
    return reader.ok() ? std::optional<T>(value) : std::nullopt;
}

}  // namespace

std::optional<CountedReply> readSignatureReply(ReplyBytes reply) {
    ReplyReader reader(reply);
    CountedReply signature;
    signature.values = reader.bytes(reader.byte());
    signature.verdict = reader.byte();
    return ifComplete(reader, signature);
}

std::optional<CountedReply> readCountedReply(ReplyBytes reply) {
    ReplyReader reader(reply);
    CountedReply counted;
    counted.values = reader.bytes(reader.byte());
    return ifComplete(reader, counted);
}

std::optional<ChunkReply> readChunkReply(ReplyBytes reply) {
    ReplyReader reader(reply);
    ChunkReply chunk;
    chunk.address = reader.word();
    chunk.data = reader.bytes(reader.byte());
    return ifComplete(reader, chunk);
}

std::optional<VerifyReply> readVerifyReply(ReplyBytes reply) {
    ReplyReader reader(reply);
    VerifyReply verify;
    verify.address = reader.word();
    reader.byte();  // the chunk's count: the result alone tells the outcome
    verify.result = reader.byte();
    return ifComplete(reader, verify);
}

std::optional<std::uint32_t> readWordReply(ReplyBytes reply) {
    ReplyReader reader(reply);
    const std::uint32_t word = reader.word();
    return ifComplete(reader, word);
}

std::optional<std::uint8_t> readCountReply(ReplyBytes reply) {
    ReplyReader reader(reply);
    const std::uint8_t count = reader.byte();
    return ifComplete(reader, count);
}

std::optional<IndexedTextReply> readIndexedTextReply(ReplyBytes reply) {
    ReplyReader reader(reply);
    IndexedTextReply indexed;
    indexed.index = reader.byte();
    indexed.text = reader.text();
    return ifComplete(reader, indexed);
}

std::optional<ReplyBytes> readTextReply(ReplyBytes reply) {
    ReplyReader reader(reply);
    const ReplyBytes text = reader.text();
    return ifComplete(reader, text);
}

bool replyComplete(ReplyBytes reply) {
    if (reply.empty()) {
        return false;
    }
    switch (static_cast<CommandCode>(reply[0])) {
        case CommandCode::ReadSignature:
            return readSignatureReply(reply).has_value();
        case CommandCode::ReadFuseBits:
        case CommandCode::ReadLockBits:
        case CommandCode::ReadCalibration:
            return readCountedReply(reply).has_value();
        case CommandCode::ReadProgramMemory:
        case CommandCode::ReadEeprom:
            return readChunkReply(reply).has_value();
        case CommandCode::VerifyProgramMemory:
        case CommandCode::VerifyEeprom:
            return readVerifyReply(reply).has_value();
        case CommandCode::AskThirdSize:
        case CommandCode::AskEepromSize:
        case CommandCode::AskProgramMemorySize:
        case CommandCode::AskCommandMask:
            return readWordReply(reply).has_value();
        case CommandCode::AskLockBitCount:
        case CommandCode::AskFuseBitCount:
        case CommandCode::AskChipCount:
        case CommandCode::AskAboutLineCount:
            return readCountReply(reply).has_value();
        case CommandCode::AskLockBitCaption:
        case CommandCode::AskFuseBitCaption:
        case CommandCode::AskAboutLine:
            return readIndexedTextReply(reply).has_value();
        case CommandCode::AskChipName:
        case CommandCode::AskTitle:
            return readTextReply(reply).has_value();
        default:
            return true;
    }
}

namespace {

// The little-endian address at bytes 1..4 (the reader skips the code); the caller has checked
// the length.
std::uint32_t addressOf(ReplyBytes payload) {
    ReplyReader reader(payload);
    return reader.word();
}

}  // namespace

bool replyAnswers(ReplyBytes reply, ReplyBytes head) {
    if (reply.empty() || head.empty() || reply[0] != head[0] || !replyComplete(reply)) {
        return false;
    }
    // A complete reply of the addressed codes holds its address; a head that does not (only a
    // hand-made payload) cannot be answered by address.
    switch (static_cast<CommandCode>(reply[0])) {
        case CommandCode::ReadProgramMemory:
        case CommandCode::ReadEeprom:
            return head.size() >= 6 && addressOf(reply) == addressOf(head);
        case CommandCode::VerifyProgramMemory:
        case CommandCode::VerifyEeprom: {
            // A device may name the chunk or the first byte that differs; either lies inside
            // the head's chunk, and chunks never overlap, so an answer to another chunk still
            // cannot pass for this one.
            if (head.size() < 6) {
                return false;
            }
            const std::uint64_t start = addressOf(head);
            const std::uint64_t named = addressOf(reply);
            return named == start || (named > start && named < start + head[5]);
        }
        default:
            return true;
    }
}

}  // namespace kelvan::link
