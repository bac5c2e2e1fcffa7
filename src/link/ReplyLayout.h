#pragma once

// The byte layouts of the programmer's replies, in one place: the dispatcher reads each reply
// through them and refuses one shorter than its layout. Every reader stops at the reply's
// received length; a reply that needs more bytes than it holds yields no value.

#include <cstdint>
#include <optional>
#include <span>

namespace kelvan::link {

using ReplyBytes = std::span<const std::uint8_t>;

struct CountedReply {  // 0 (with verdict), 3, 5, 20: n, then n bytes
    ReplyBytes values;
    std::uint8_t verdict = 0;  // reply 0 only: the byte after the signature
};
struct ChunkReply {  // 9, 13: addr, count, data
    std::uint32_t address = 0;
    ReplyBytes data;
};
struct VerifyReply {  // 11, 15: addr, count, result
    std::uint32_t address = 0;
    std::uint8_t result = 0;
};
struct IndexedTextReply {  // 244, 246, 252: index, text
    std::uint8_t index = 0;
    ReplyBytes text;
};

std::optional<CountedReply> readSignatureReply(ReplyBytes reply);
std::optional<CountedReply> readCountedReply(ReplyBytes reply);
std::optional<ChunkReply> readChunkReply(ReplyBytes reply);
std::optional<VerifyReply> readVerifyReply(ReplyBytes reply);
std::optional<std::uint32_t> readWordReply(ReplyBytes reply);
std::optional<std::uint8_t> readCountReply(ReplyBytes reply);
std::optional<IndexedTextReply> readIndexedTextReply(ReplyBytes reply);
std::optional<ReplyBytes> readTextReply(ReplyBytes reply);

// True when reply may answer the queued command head: same CommandCode; for the indexed
// replies (captions 244, 246, about lines 252) the command's own index; for the addressed
// replies the command's own address (reads 9, 13) or an address inside the command's chunk
// (verifies 11, 15). So a late duplicate answer to an earlier request is not taken for the
// answer to the current one. Whether the rest of the reply is complete is the dispatcher's
// check.
bool replyAnswers(ReplyBytes reply, ReplyBytes head);

}  // namespace kelvan::link
