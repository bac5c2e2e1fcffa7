#include "link/FrameParser.h"

#include <algorithm>
#include <cstring>

#include "link/LinkFrame.h"

namespace kelvan::link {

void FrameParser::receive(std::span<const std::uint8_t> block) {
    if (block.size() <= ReceiveBufferSize) {
        appendPiece(block);
        runPass();
        return;
    }
    // A longer block goes in pieces that fill the free room, so frames that the passes
    // consume make room for the next piece instead of being discarded as overflow. Only when
    // the held bytes fill the whole buffer does a piece displace them. The pieces are taken
    // from the caller's block, never from our own state, so passes that re-enter from inside
    // a handler call cannot disturb this loop.
    while (!block.empty()) {
        const std::size_t room = ReceiveBufferSize - fill_;
        const std::size_t pieceLength = std::min(block.size(), room > 0 ? room : ReceiveBufferSize);
        appendPiece(block.first(pieceLength));
        block = block.subspan(pieceLength);
        runPass();
    }
}

void FrameParser::reset() {
    fill_ = 0;
    scan_ = 0;
}

void FrameParser::appendPiece(std::span<const std::uint8_t> piece) {
    if (fill_ + piece.size() > ReceiveBufferSize) {
        reset();
    }
    std::copy(piece.begin(), piece.end(), buffer_.begin() + fill_);
    fill_ = static_cast<std::uint16_t>(fill_ + piece.size());
}

bool FrameParser::syncAt(std::size_t index) const {
    return std::memcmp(buffer_.data() + index, FrameSync.data(), FrameSync.size()) == 0;
}

bool FrameParser::checksumMatches(std::size_t index, std::size_t count) const {
    return sum8(std::span<const std::uint8_t>(buffer_).subspan(index, count)) ==
           buffer_[index + count];
}

void FrameParser::consume(std::size_t count) {
    std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(count), buffer_.begin() + fill_,
              buffer_.begin());
    fill_ = static_cast<std::uint16_t>(fill_ - count);
    scan_ = 0;
}

// One parser pass. Every step re-reads fill_ and scan_ from the members, so nothing computed
// before a handler call is used after it.
void FrameParser::runPass() {
    for (;;) {
        while (held() >= FrameHeaderSize && !syncAt(scan_)) {
            ++scan_;
        }
        if (held() < FrameHeaderSize) {
            return;
        }
        if (!checksumMatches(scan_, 5)) {
            // A damaged header: step past its first byte and wait for the next block.
            ++scan_;
            return;
        }
        frameLength_ = buffer_[scan_ + 4];
        if (frameLength_ == 0 && !handler_.readySends()) {
            consume(scan_ + FrameHeaderSize);
            handler_.emptyFrame();
            continue;
        }
        if (frameLength_ == 0) {
            // The ready signal. The state is reset before the handler runs as well as after:
            // a block received while the handler's modal box is open must not find this same
            // frame again and send the head a second time. Whatever the nested passes leave
            // is discarded afterwards, like the bytes that followed the frame.
            reset();
            handler_.emptyFrame();
            reset();
            return;
        }
        const std::size_t frameSize = FrameHeaderSize + frameLength_ + 1;
        if (held() < frameSize) {
            return;
        }
        if (!checksumMatches(scan_ + FrameHeaderSize, frameLength_)) {
            ++scan_;
            continue;
        }
        const std::size_t length = frameLength_;
        std::copy_n(buffer_.begin() + scan_ + FrameHeaderSize, length, replyArea_.begin());
        // Consumed before it is handed on, so a pass nested inside the handler starts from a
        // buffer that no longer holds this frame.
        consume(scan_ + frameSize);
        handler_.replyFrame(std::span<const std::uint8_t>(replyArea_).first(length));
    }
}

}  // namespace kelvan::link
