#include "serial/CommNotifier.h"

#include <algorithm>

namespace kelvan::serial {

void postReceived(CommNotifier& notifier, std::span<const std::uint8_t> bytes,
                  ReceiveTime receivedAt) {
    while (!bytes.empty()) {
        const std::size_t count = std::min(bytes.size(), MaxDeliveredBlock);
        CommMessage message{CommMessage::Kind::RxData};
        message.block.assign(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
        message.receivedAt = receivedAt;
        notifier.post(std::move(message));
        bytes = bytes.subspan(count);
    }
}

void postHangup(CommNotifier& notifier) {
    notifier.post(CommMessage{CommMessage::Kind::Hangup});
}

void postStarted(CommNotifier& notifier, std::uint32_t which) {
    CommMessage message{CommMessage::Kind::Started};
    message.wParam = which;
    notifier.post(std::move(message));
}

void postLineEvent(CommNotifier& notifier, std::uint32_t mask, std::uint32_t modemStatus,
                   std::uint32_t errorFlags) {
    CommMessage message{CommMessage::Kind::Event};
    message.wParam = errorFlags;
    message.lParam = (mask & 0xFFFFu) | ((modemStatus & 0xFFFFu) << 16);
    notifier.post(std::move(message));
}

std::uint32_t changedModemLines(std::uint32_t before, std::uint32_t after) {
    const std::uint32_t diff = before ^ after;
    return ((diff & ModemCtsOn) != 0 ? EventCts : 0) | ((diff & ModemDsrOn) != 0 ? EventDsr : 0) |
           ((diff & ModemRingOn) != 0 ? EventRing : 0) |
           ((diff & ModemRlsdOn) != 0 ? EventRlsd : 0);
}

}  // namespace kelvan::serial
