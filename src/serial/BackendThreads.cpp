#include "serial/BackendThreads.h"

#include <system_error>
#include <utility>

namespace kelvan::serial {

bool startThread(std::thread& thread, std::function<void()> body) {
    try {
        thread = std::thread(std::move(body));
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

bool startTransmitter(BlockQueue& queue, std::thread& thread, std::function<void()> body) {
    queue.open();
    if (!startThread(thread, std::move(body))) {
        queue.close();
        return false;
    }
    return true;
}

void runTransmitLoop(CommNotifier& notifier, BlockQueue& queue, const TransmitSteps& steps) {
    postStarted(notifier, 1);
    std::vector<std::uint8_t> block;
    for (;;) {
        if (!queue.pop(block)) {
            const TransmitWait waited = steps.waitForBlock();
            if (waited == TransmitWait::Stop) {
                break;
            }
            if (waited == TransmitWait::Failed) {
                postHangup(notifier);
                break;
            }
            continue;
        }
        if (steps.stopRequested() || !steps.writeBlock(block)) {
            break;
        }
    }
    queue.close();
}

}  // namespace kelvan::serial
