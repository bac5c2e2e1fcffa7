#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kelvan::link {

// What the parser hands on. Both calls may re-enter FrameParser::receive (the empty-frame
// handling can open a modal box that keeps the event loop running); the parser keeps no index
// or pointer across them.
class FrameHandler {
  public:
    virtual ~FrameHandler() = default;
    // Asked when a ready signal arrives, before emptyFrame: false when the handler will send
    // nothing for it because it came too soon to ask for anything (the head is already on its
    // way). Then the bytes behind it are still parsed, since nothing new went out that their
    // meaning could depend on, and emptyFrame must not re-enter the parser.
    virtual bool readySends() const = 0;
    // A ready signal (payload length 0) arrived.
    virtual void emptyFrame() = 0;
    // A frame with a valid payload checksum arrived; payload is the reply area, 1..255 bytes,
    // which a nested pass overwrites: a handler that may re-enter copies it first.
    virtual void replyFrame(std::span<const std::uint8_t> payload) = 0;
};

// The receive side of the link: a fixed 300-byte receive buffer, the scan for FrameSync, the
// two checksums and the reply area. Never allocates and never writes outside its arrays.
class FrameParser {
  public:
    static constexpr std::size_t ReceiveBufferSize = 300;
    static constexpr std::size_t ReplyAreaSize = 256;

    explicit FrameParser(FrameHandler& handler) : handler_(handler) {}

    // Comm321ReceiveData: appends block and runs a pass; a block that does not fit behind the
    // bytes held discards them first. A block longer than the receive buffer is fed in pieces of at
    // most 300 bytes, each as large as the free room allows, with a pass after each.
    void receive(std::span<const std::uint8_t> block);

    // Fill level and scan position to 0; the bytes need not be cleared.
    void reset();

    std::size_t fillLevel() const { return fill_; }
    std::size_t scanPosition() const { return scan_; }
    std::uint8_t frameLength() const { return frameLength_; }

  private:
    void appendPiece(std::span<const std::uint8_t> piece);
    void runPass();
    // Bytes from the scan position on; the scan position never passes the fill level.
    std::size_t held() const { return std::size_t{fill_} - scan_; }
    bool syncAt(std::size_t index) const;
    bool checksumMatches(std::size_t index, std::size_t count) const;
    void consume(std::size_t count);

    FrameHandler& handler_;
    std::array<std::uint8_t, ReceiveBufferSize> buffer_{};
    std::uint16_t fill_ = 0;
    std::uint16_t scan_ = 0;
    std::uint8_t frameLength_ = 0;
    std::array<std::uint8_t, ReplyAreaSize> replyArea_{};
};

}  // namespace kelvan::link
