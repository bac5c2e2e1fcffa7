#pragma once

// What the serial benchmarks share besides the pseudo-terminal (devsim::PseudoTerminal, whose
// master side plays the programmer): a notifier whose own thread plays the program's main thread,
// raising TComm32's events in posting order as the Qt event loop does.

#include <benchmark/benchmark.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <variant>

#include "devsim/PseudoTerminal.h"
#include "serial/TComm32.h"

namespace kelvan::serial::bench {

// How long the far end waits for the host before a benchmark gives up on the line.
inline constexpr std::chrono::seconds LineTimeout{20};

// Opens `comm` on the slave side of `pty`; when it does not open, marks the benchmark as
// failed and returns false.
bool openOnPty(TComm32& comm, const devsim::PseudoTerminal& pty, benchmark::State& state);

class MainThreadLoop : public CommNotifier {
  public:
    ~MainThreadLoop() override;

    void post(CommMessage message) override;

    // Runs task on the "main thread", in order with the posted messages, and waits for its
    // result: how a benchmark reaches state that only the main thread may touch.
    template <typename Task>
    auto onMainThread(Task task) -> decltype(task()) {
        std::packaged_task<decltype(task())()> packaged(std::move(task));
        auto result = packaged.get_future();
        postTask([&packaged] { packaged(); });
        return result.get();
    }

    // Starts the "main thread": it hands every posted message to comm.handleMessage, then runs
    // afterEach (on the same thread).
    void start(TComm32& comm, std::function<void()> afterEach = {});
    void stop();

  private:
    void postTask(std::function<void()> task);

    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::variant<CommMessage, std::function<void()>>> messages_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace kelvan::serial::bench
