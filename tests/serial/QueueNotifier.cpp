#include "QueueNotifier.h"

#include <utility>

namespace kelvan::serial::test {

void QueueNotifier::post(CommMessage message) {
    std::lock_guard lock(mutex_);
    messages_.push_back(std::move(message));
    changed_.notify_all();
}

bool QueueNotifier::waitUntil(const std::function<bool(const std::deque<CommMessage>&)>& ready,
                              std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return ready(messages_); });
}

bool QueueNotifier::waitForKind(CommMessage::Kind kind, std::size_t count) {
    return waitUntil([&](const auto& messages) { return countKind(messages, kind) >= count; });
}

void QueueNotifier::drainInto(TComm32& comm) {
    for (const CommMessage& message : take()) {
        comm.handleMessage(message);
    }
}

std::deque<CommMessage> QueueNotifier::take() {
    std::lock_guard lock(mutex_);
    return std::exchange(messages_, {});
}

std::size_t countKind(const std::deque<CommMessage>& messages, CommMessage::Kind kind) {
    std::size_t count = 0;
    for (const CommMessage& message : messages) {
        count += message.kind == kind ? 1 : 0;
    }
    return count;
}

}  // namespace kelvan::serial::test
