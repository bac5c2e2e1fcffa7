#include "link/CommandSender.h"

namespace kelvan::link {

namespace {
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
    // A refused send is not detected here; it counts all the same, so a dead transmit path
    // ends in the warning below.
    static_cast<void>(sink_.sendData(std::span<const std::uint8_t>(transmitArea_).first(length)));
    ++retryCounter_;
    if (retryCounter_ > RetryLimit) {
        queue_.clear();
        retryCounter_ = 0;
        view_.closeProgress();
        view_.showWarning(GiveUpWarning);
    }
}

}  // namespace kelvan::link
