#pragma once

// What the serial benchmarks share: a pseudo-terminal whose master side plays the programmer,
// and a notifier whose own thread plays the program's main thread, raising TComm32's events
// in posting order as the Qt event loop does.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/TComm32.h"

namespace kelvan::serial::bench {

class BenchPty {
  public:
    BenchPty();
    ~BenchPty();
    BenchPty(const BenchPty&) = delete;
    BenchPty& operator=(const BenchPty&) = delete;

    int master() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

    void writeAll(const std::uint8_t* bytes, std::size_t count);
    // Reads exactly count bytes (blocking); false when the line ends first.
    bool readExactly(std::uint8_t* bytes, std::size_t count);

  private:
    int master_ = -1;
    int slave_ = -1;  // held so the master never sees a hang-up between openers
    std::string slavePath_;
};

class MainThreadLoop : public CommNotifier {
  public:
    ~MainThreadLoop() override;

    void post(CommMessage message) override;

    // Starts the "main thread": it hands every posted message to comm.handleMessage, then runs
    // afterEach (on the same thread).
    void start(TComm32& comm, std::function<void()> afterEach = {});
    void stop();

  private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<CommMessage> messages_;
    bool stopping_ = false;
    std::thread thread_;
};

}  // namespace kelvan::serial::bench
