#include "link/CommandQueue.h"

#include <stdexcept>

namespace kelvan::link {

void CommandQueue::enqueue(std::span<const std::uint8_t> payload,
                           std::string_view statusWhenAnswered) {
    if (payload.empty()) {
        return;
    }
    if (payload.size() > MaxPayloadLength) {
        throw std::length_error("command payload longer than 255 bytes");
    }
    entries_.push_back(
        Entry{Bytes(payload.begin(), payload.end()), std::string(statusWhenAnswered)});
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

bool CommandQueue::removeHeadIf(EntryId id) {
    if (entries_.empty() || headId() != id) {
        return false;
    }
    removeHead();
    return true;
}

void CommandQueue::dropBehindHead() {
    ++clearCount_;
    if (entries_.size() <= 1) {
        return;
    }
    entries_.resize(1);
    view_.setProgress(progressMaximum_, 1);
}

void CommandQueue::forgetHeadStatus() {
    if (!entries_.empty()) {
        entries_.front().statusWhenAnswered.clear();
    }
}

std::vector<Bytes> CommandQueue::payloads() const {
    std::vector<Bytes> all;
    all.reserve(entries_.size());
    for (const Entry& entry : entries_) {
        all.push_back(entry.payload);
    }
    return all;
}

void CommandQueue::clear() {
    ++clearCount_;
    while (!entries_.empty()) {
        removeHead();
    }
}

}  // namespace kelvan::link
