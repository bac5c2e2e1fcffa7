#include "SerialBenchSupport.h"

#include <pty.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kelvan::serial::bench {

BenchPty::BenchPty() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        throw std::system_error(errno, std::generic_category(), "openpty");
    }
    slavePath_ = name;
}

BenchPty::~BenchPty() {
    ::close(master_);
    ::close(slave_);
}

void BenchPty::writeAll(const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(master_, bytes, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            throw std::system_error(errno, std::generic_category(), "write to pty master");
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
}

bool BenchPty::readExactly(std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        const ssize_t got = ::read(master_, bytes, count);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false;
        }
        bytes += got;
        count -= static_cast<std::size_t>(got);
    }
    return true;
}

MainThreadLoop::~MainThreadLoop() {
    stop();
}

void MainThreadLoop::post(CommMessage message) {
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(std::move(message));
    }
    posted_.notify_one();
}

void MainThreadLoop::start(TComm32& comm, std::function<void()> afterEach) {
    stopping_ = false;
    thread_ = std::thread([this, &comm, afterEach = std::move(afterEach)] {
        std::unique_lock lock(mutex_);
        for (;;) {
            posted_.wait(lock, [this] { return stopping_ || !messages_.empty(); });
            if (stopping_) {
                return;
            }
            CommMessage message = std::move(messages_.front());
            messages_.pop_front();
            lock.unlock();
            comm.handleMessage(message);
            if (afterEach) {
                afterEach();
            }
            lock.lock();
        }
    });
}

void MainThreadLoop::stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    posted_.notify_one();
    if (thread_.joinable()) {
        thread_.join();
    }
}

}  // namespace kelvan::serial::bench
