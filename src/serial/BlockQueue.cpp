#include "serial/BlockQueue.h"

namespace kelvan::serial {

void BlockQueue::open() {
    std::lock_guard lock(mutex_);
    open_ = true;
}

void BlockQueue::close() {
    std::lock_guard lock(mutex_);
    open_ = false;
    blocks_.clear();
}

bool BlockQueue::push(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> copy(bytes.begin(), bytes.end());
    std::lock_guard lock(mutex_);
    if (!open_) {
        return false;
    }
    blocks_.push_back(std::move(copy));
    return true;
}

bool BlockQueue::pop(std::vector<std::uint8_t>& block) {
    std::lock_guard lock(mutex_);
    if (blocks_.empty()) {
        return false;
    }
    block = std::move(blocks_.front());
    blocks_.pop_front();
    return true;
}

}  // namespace kelvan::serial
