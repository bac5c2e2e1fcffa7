#include "link/CommandSender.h"

namespace kelvan::link {

namespace {
// A reply that carries nothing but its code: header, the code and the payload checksum.
constexpr std::size_t ShortestReplyFrame = FrameHeaderSize + 2;

// The two lines are separated by LF then CR, as the message box has always shown them.
constexpr std::string_view GiveUpWarning = "Не могу выполнить команду!\n\rОчередь команд очищена.";
}  // namespace

void CommandSender::sendHead() {
    if (queue_.empty()) {
        return;
    }
    const std::size_t length = buildLinkFrame(queue_.head(), transmitArea_);
    // Taken before the hand-off, so every byte the programmer sends in answer is read later.
    lastSentAt_ = clock_.now();
    lastSentLength_ = length;
    // A refused send is not detected here; it counts all the same, so a dead transmit path
    // ends in the warning below.
    static_cast<void>(sink_.sendData(std::span<const std::uint8_t>(transmitArea_).first(length)));
    const bool resend = lastSentEntry_ == queue_.headId();
    lastSentEntry_ = queue_.headId();
    if (observer_ != nullptr) {
        observer_->frameSent(queue_.head(), resend, lastSentAt_);
    }
    ++retryCounter_;
    if (retryCounter_ > RetryLimit) {
        queue_.clear();
        retryCounter_ = 0;
        view_.closeProgress();
        if (observer_ != nullptr) {
            observer_->retryLimitReached(GiveUpWarning, clock_.now());
        }
        view_.showWarning(GiveUpWarning);
    }
}

}  // namespace kelvan::link

namespace kelvan::link {

LinkTime CommandSender::earliestReadyAfterHead() const {
    if (lastSentAt_ == LinkTime::min()) {
        return lastSentAt_;
    }
    std::chrono::nanoseconds onTheLine{0};
    if (const std::uint32_t bitRate = sink_.bitRate(); bitRate > 0) {
        const auto bits = static_cast<std::int64_t>((lastSentLength_ + ShortestReplyFrame) * 10);
        onTheLine = std::chrono::nanoseconds(bits * 1'000'000'000 / bitRate);
    }
    return lastSentAt_ + onTheLine + TurnaroundMargin;
}

}  // namespace kelvan::link
