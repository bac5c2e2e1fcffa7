#include "link/ReplyLayout.h"

#include "link/Commands.h"

namespace kelvan::link {

namespace {

// A cursor over the payload after byte 0. Reads past the end yield zeros and clear ok().
class ReplyReader {
  public:
    explicit ReplyReader(ReplyBytes reply) : rest_(reply.empty() ? reply : reply.subspan(1)) {}

    std::uint8_t byte() {
        const ReplyBytes one = bytes(1);
        return one.empty() ? 0 : one[0];
    }
    std::uint32_t word() {  // 32-bit little-endian
        const ReplyBytes four = bytes(4);
        if (four.empty()) {
            return 0;
        }
        return static_cast<std::uint32_t>(four[0]) | static_cast<std::uint32_t>(four[1]) << 8 |
               static_cast<std::uint32_t>(four[2]) << 16 |
               static_cast<std::uint32_t>(four[3]) << 24;
    }
    ReplyBytes bytes(std::size_t count) {
        if (!ok_ || count > rest_.size()) {
            ok_ = false;
            return {};
        }
        const ReplyBytes taken = rest_.first(count);
        rest_ = rest_.subspan(count);
        return taken;
    }
    ReplyBytes text() { return bytes(byte()); }  // length byte, then that many bytes
    bool ok() const { return ok_; }

  private:
    ReplyBytes rest_;
    bool ok_ = true;
};

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

bool replyAnswers(ReplyBytes reply, ReplyBytes head) {
    if (reply.empty() || head.empty() || reply[0] != head[0]) {
        return false;
    }
    const auto code = static_cast<CommandCode>(reply[0]);
    if (code == CommandCode::AskLockBitCaption || code == CommandCode::AskFuseBitCaption ||
        code == CommandCode::AskAboutLine) {
        // The index follows the code in the request and in its answer alike.
        return reply.size() >= 2 && head.size() >= 2 && reply[1] == head[1];
    }
    const bool read = code == CommandCode::ReadProgramMemory || code == CommandCode::ReadEeprom;
    const bool verify =
        code == CommandCode::VerifyProgramMemory || code == CommandCode::VerifyEeprom;
    if (!read && !verify) {
        return true;
    }
    // Addressed payloads in both directions hold the address at bytes 1..4, where a size
    // reply holds its word. A reply too short to hold it, or a head without address and count
    // (only a hand-made payload), answers nothing.
    const auto named = readWordReply(reply);
    const auto start = readWordReply(head);
    if (!named || !start || head.size() < 6) {
        return false;
    }
    if (read) {
        return *named == *start;
    }
    // A device may name the chunk or the first byte that differs; either lies inside the
    // head's chunk, and chunks never overlap, so an answer to another chunk still cannot pass
    // for this one.
    return *named == *start ||
           (*named > *start && std::uint64_t{*named} < std::uint64_t{*start} + head[5]);
}

}  // namespace kelvan::link
