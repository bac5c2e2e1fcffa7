#include "link/CommandQueue.h"

#include <stdexcept>

namespace kelvan::link {

void CommandQueue::enqueue(std::span<const std::uint8_t> payload) {
    if (payload.empty()) {
        return;
    }
    if (payload.size() > MaxPayloadLength) {
        throw std::length_error("command payload longer than 255 bytes");
    }
    entries_.emplace_back(payload.begin(), payload.end());
    const int count = static_cast<int>(entries_.size());
    progressMaximum_ = count;
    view_.setProgress(progressMaximum_, count);
    if (count >= 2) {
        view_.showProgress();
    }
}

void CommandQueue::removeHead() {
    if (entries_.empty()) {
        return;
    }
    entries_.pop_front();
    ++removed_;
    const int count = static_cast<int>(entries_.size());
    view_.setProgress(progressMaximum_, count);
    if (count == 0) {
        view_.closeProgress();
    }
}

void CommandQueue::removeHeadIf(EntryId id) {
    if (!entries_.empty() && headId() == id) {
        removeHead();
    }
}

void CommandQueue::clear() {
    while (!entries_.empty()) {
        removeHead();
    }
}

}  // namespace kelvan::link
