#include "link/QueueProgress.h"

#include <gtest/gtest.h>

namespace kelvan::link {
namespace {

using std::chrono::seconds;

TEST(QueueProgress, ShareDoneAndTimeLeftFromThePaceSoFar) {
    const LinkTime start{};
    const struct {
        const char* what;
        int maximum;
        int remaining;
        seconds at;
        std::string text;
    } steps[] = {
        {"queued, nothing answered", 40, 40, seconds(0), "0 %"},
        {"10 answered in 10 s: 30 more take 30 s", 40, 30, seconds(10), "25 %, осталось 0:30"},
        {"39 answered in 65 s: 1 more", 40, 1, seconds(65), "97 %, осталось 0:02"},
        {"a new operation starts the pace over", 200, 200, seconds(70), "0 %"},
        {"100 answered in 65 s", 200, 100, seconds(135), "50 %, осталось 1:05"},
        {"all answered", 200, 0, seconds(140), "100 %, осталось 0:00"},
    };
    QueueProgress progress;
    for (const auto& step : steps) {
        progress.update(step.maximum, step.remaining, start + step.at);
        EXPECT_EQ(progress.text(), step.text) << step.what;
    }
}

}  // namespace
}  // namespace kelvan::link
