#include "SerialBenchSupport.h"

namespace kelvan::serial::bench {

bool openOnPty(TComm32& comm, const devsim::PseudoTerminal& pty, benchmark::State& state) {
    comm.setCommPort(pty.slavePath());
    if (!comm.OpenPort()) {
        state.SkipWithError("the port did not open");
        return false;
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

void MainThreadLoop::postTask(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        messages_.push_back(std::move(task));
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
            auto next = std::move(messages_.front());
            messages_.pop_front();
            lock.unlock();
            if (auto* task = std::get_if<std::function<void()>>(&next)) {
                (*task)();
            } else {
                comm.handleMessage(std::get<CommMessage>(next));
            }
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
