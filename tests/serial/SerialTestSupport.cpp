#include "SerialTestSupport.h"

#include <dirent.h>

#include <cerrno>
#include <system_error>

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

std::vector<std::uint8_t> PtyPair::readMaster(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    bytes.resize(read(bytes, IoTimeout));
    return bytes;
}

std::size_t countOpenFds() {
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) {
        throw std::system_error(errno, std::generic_category(), "opendir /proc/self/fd");
    }
    std::size_t count = 0;
    while (readdir(dir) != nullptr) {
        ++count;
    }
    if (closedir(dir) != 0) {
        throw std::system_error(errno, std::generic_category(), "closedir /proc/self/fd");
    }
    return count;
}

std::vector<std::uint8_t> patternBytes(std::size_t count, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7 + i / 251);
    }
    return bytes;
}

}  // namespace kelvan::serial::test
