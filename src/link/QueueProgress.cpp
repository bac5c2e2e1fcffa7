#include "link/QueueProgress.h"

#include <cstdio>

namespace kelvan::link {

void QueueProgress::update(int maximum, int remaining, LinkTime now) {
    if (maximum != maximum_ || remaining > remaining_) {
        maximum_ = maximum;
        remainingAtStart_ = remaining;
        startedAt_ = now;
    }
    remaining_ = remaining;
    lastAt_ = now;
}

int QueueProgress::percentDone() const {
    if (maximum_ <= 0) {
        return 0;
    }
    return static_cast<int>(100LL * (maximum_ - remaining_) / maximum_);
}

std::optional<std::chrono::seconds> QueueProgress::timeLeft() const {
    const int answered = remainingAtStart_ - remaining_;
    if (answered <= 0) {
        return std::nullopt;
    }
    const auto perCommand = (lastAt_ - startedAt_) / answered;
    return std::chrono::ceil<std::chrono::seconds>(perCommand * remaining_);
}

std::string QueueProgress::percentText() const {
    return std::to_string(percentDone()) + " %";
}

std::string QueueProgress::timeLeftText() const {
    const std::optional<std::chrono::seconds> left = timeLeft();
    if (!left) {
        return {};
    }
    const long long seconds = left->count();
    char clock[32];
    std::snprintf(clock, sizeof clock, "%lld:%02lld", seconds / 60, seconds % 60);
    return std::string("осталось ") + clock;
}

std::string QueueProgress::text() const {
    const std::string left = timeLeftText();
    return left.empty() ? percentText() : percentText() + ", " + left;
}

}  // namespace kelvan::link
