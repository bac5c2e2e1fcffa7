#pragma once

// The transmit thread's queue: each SendData block is copied into its own buffer here, so a
// block stays intact until it is written, whatever the caller does with its bytes afterwards.

#include <cstdint>
#include <deque>
#include <mutex>
#include <span>
#include <vector>

namespace kelvan::serial {

class BlockQueue {
  public:
    // Accepts blocks from now on (the transmit thread is about to run).
    void open();
    // Refuses blocks from now on and drops those still queued (the transmit thread has ended).
    void close();

    // Copies `bytes` to the tail; false, copying nothing, while the queue is closed.
    bool push(std::span<const std::uint8_t> bytes);
    // Moves the head into `block`; false when the queue is empty.
    bool pop(std::vector<std::uint8_t>& block);

  private:
    std::mutex mutex_;
    bool open_ = false;
    std::deque<std::vector<std::uint8_t>> blocks_;
};

}  // namespace kelvan::serial
