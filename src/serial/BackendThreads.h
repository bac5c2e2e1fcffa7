#pragma once

// What the platform backends share about their worker threads: starting one, and the transmit
// thread's loop over the block queue. The backends keep only the waiting and the writing,
// which need the platform's own calls.

#include <cstdint>
#include <functional>
#include <span>
#include <thread>
#include <vector>

#include "serial/BlockQueue.h"
#include "serial/CommNotifier.h"

namespace kelvan::serial {

// Starts `thread` running `body`; false when the system cannot create a thread (the caller
// reports its own text for that).
bool startThread(std::thread& thread, std::function<void()> body);

// Opens `queue` and starts the transmit thread on `body`; when the thread cannot be created the
// queue is closed again, so that sends stay refused.
bool startTransmitter(BlockQueue& queue, std::thread& thread, std::function<void()> body);

// How the transmit thread's wait for work ended.
enum class TransmitWait { BlockQueued, Stop, Failed };

// The platform calls the transmit loop needs.
struct TransmitSteps {
    // Waits until a block may have been queued or stop is signalled.
    std::function<TransmitWait()> waitForBlock;
    // Whether stop has been signalled, checked before every block.
    std::function<bool()> stopRequested;
    // Writes the whole block; false to end the loop (having posted a hang-up if the line failed).
    std::function<bool(const std::vector<std::uint8_t>&)> writeBlock;
};

// The transmit thread: posts Started for thread 1, then writes queued blocks in order, each
// completely, waiting while the queue is empty. Ends quietly on stop, with one hang-up when the
// wait fails, or when writeBlock says so; then closes the queue, dropping unwritten blocks.
void runTransmitLoop(CommNotifier& notifier, BlockQueue& queue, const TransmitSteps& steps);

}  // namespace kelvan::serial
