#include "SerialTestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
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

PtyPair::PtyPair() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        throw std::system_error(errno, std::generic_category(), "openpty");
    }
    slavePath_ = name;
}

PtyPair::~PtyPair() {
    closeMaster();
    if (slave_ >= 0) {
        ::close(slave_);
    }
}

void PtyPair::closeMaster() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

void PtyPair::writeMaster(const std::vector<std::uint8_t>& bytes) {
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const ssize_t count = ::write(master_, bytes.data() + offset, bytes.size() - offset);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            throw std::system_error(errno, std::generic_category(), "write to pty master");
        }
        offset += static_cast<std::size_t>(count);
    }
}

std::vector<std::uint8_t> PtyPair::readMaster(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::size_t got = 0;
    const auto deadline = std::chrono::steady_clock::now() + IoTimeout;
    while (got < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd fd{master_, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        const ssize_t n = ::read(master_, bytes.data() + got, count - got);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
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
    closedir(dir);
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
