#pragma once

// What the simulator tests share: a deliberately tiny host that opens the pseudo-terminal,
// writes frames and cuts the device's output into frames with its own minimal scanner
// (independent of the device's reader), waiting with poll and generous timeouts.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "devsim/PseudoTerminal.h"
#include "link/LinkFrame.h"

namespace kelvan::devsim::testing {

using link::Bytes;
inline constexpr std::chrono::milliseconds IoTimeout{10'000};

class RawHost {
  public:
    explicit RawHost(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
        if (fd_ < 0) {
            throw std::system_error(errno, std::generic_category(), "open " + path);
        }
        makeRaw(fd_);
    }
    ~RawHost() { close(fd_); }
    RawHost(const RawHost&) = delete;
    RawHost& operator=(const RawHost&) = delete;

    void sendRaw(std::span<const std::uint8_t> bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t written = write(fd_, bytes.data() + done, bytes.size() - done);
            if (written < 0 && errno != EINTR) {
                throw std::system_error(errno, std::generic_category(), "write");
            }
            done += written > 0 ? static_cast<std::size_t>(written) : 0;
        }
    }
    void send(std::span<const std::uint8_t> payload) { sendRaw(link::buildLinkFrame(payload)); }

    // Bytes as they arrive, up to count of them, or fewer when timeout passes first.
    Bytes readBytes(std::size_t count, std::chrono::milliseconds timeout = IoTimeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (pending_.size() < count && fill(deadline)) {
        }
        const std::size_t taken = std::min(count, pending_.size());
        Bytes bytes(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(taken));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(taken));
        return bytes;
    }

    // The next frame's payload (empty for a ready frame), or nothing on timeout. Throws on a
    // stream that is not a clean sequence of frames: the simulator never sends garbage
    // unless told to corrupt.
    std::optional<Bytes> nextFrame(std::chrono::milliseconds timeout = IoTimeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (pending_.size() < link::FrameHeaderSize) {
            if (!fill(deadline)) {
                return std::nullopt;
            }
        }
        if (!std::equal(link::FrameSync.begin(), link::FrameSync.end(), pending_.begin()) ||
            pending_[5] != static_cast<std::uint8_t>(0x8A + pending_[4])) {
            throw std::runtime_error("device sent a damaged frame header");
        }
        const std::size_t length = pending_[4];
        const std::size_t total = length == 0 ? link::FrameHeaderSize : length + 7;
        while (pending_.size() < total) {
            if (!fill(deadline)) {
                return std::nullopt;
            }
        }
        Bytes payload(pending_.begin() + 6,
                      pending_.begin() + 6 + static_cast<std::ptrdiff_t>(length));
        if (length > 0 && link::sum8(payload) != pending_[total - 1]) {
            throw std::runtime_error("device sent a damaged payload checksum");
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(total));
        return payload;
    }

    // Skips ready frames up to the next reply.
    std::optional<Bytes> nextReply(std::chrono::milliseconds timeout = IoTimeout) {
        for (;;) {
            std::optional<Bytes> frame = nextFrame(timeout);
            if (!frame || !frame->empty()) {
                return frame;
            }
        }
    }

    // Sends payload once the device says it is ready, and returns the reply.
    std::optional<Bytes> request(std::span<const std::uint8_t> payload) {
        if (const std::optional<Bytes> ready = nextFrame(); !ready || !ready->empty()) {
            return std::nullopt;
        }
        send(payload);
        return nextReply();
    }

    // Drops everything received so far and anything arriving within quiet.
    void drain(std::chrono::milliseconds quiet = std::chrono::milliseconds(0)) {
        const auto deadline = std::chrono::steady_clock::now() + quiet;
        while (fill(deadline)) {
        }
        pending_.clear();
    }

  private:
    // Reads what is there, waiting until deadline; false when nothing came.
    bool fill(std::chrono::steady_clock::time_point deadline) {
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd descriptor{fd_, POLLIN, 0};
            const int ready =
                poll(&descriptor, 1, static_cast<int>(std::max<long>(0, left.count())));
            if (ready < 0 && errno == EINTR) {
                continue;
            }
            if (ready < 0) {
                throw std::system_error(errno, std::generic_category(), "poll");
            }
            if (ready == 0) {
                return false;
            }
            std::uint8_t block[4096];
            const ssize_t count = read(fd_, block, sizeof block);
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                throw std::system_error(errno, std::generic_category(), "read");
            }
            pending_.insert(pending_.end(), block, block + count);
            return true;
        }
    }

    int fd_;
    Bytes pending_;
};

}  // namespace kelvan::devsim::testing
