// The wire trace written during a conversation: each frame in both directions, the resends,
// stale readies, dropped replies and the retry limit, stamped from the start.

#include "link/WireTrace.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>

#include "LinkTestSupport.h"

namespace kelvan::link::test {
namespace {

using std::chrono::microseconds;

class WireTraceTest : public LinkTest {
  protected:
    WireTraceTest() { link.setObserver(&trace); }
    void at(int microsecondsSinceStart) {
        clock.time = LinkTime(microseconds(microsecondsSinceStart));
    }

    std::ostringstream text;
    WireTrace trace{text, LinkTime{}};
};

TEST_F(WireTraceTest, EveryFrameResendAndTheRetryLimitInOrder) {
    const auto readyAt = [this](int microsecondsSinceStart) {
        at(microsecondsSinceStart);
        receive(ReadyFrame);
    };
    enqueue({commands::askTitle(), commands::selectChip(2)});
    readyAt(1000);  // sends 254
    at(2500);
    reply({249});                                      // not the head: dropped
    receive(ReadyFrame, LinkTime(microseconds(500)));  // read before 254 went out
    readyAt(3000);  // 2 ms after 254 went out: crossed it on the line
    at(4000);
    reply(textReply(254, {}, "PROG"));  // queues 253 and 251 behind 249
    for (int send = 0; send < 8; ++send) {
        readyAt(5000 + send * 500'000);
    }

    std::string expected =
        "# ms since start, > to the programmer / < from it / ! event, command code, payload in "
        "hexadecimal\n"
        "     1.000 < ready\n"
        "     1.000 > 254 FE\n"
        "     2.500 < 249 F9 (unmatched)\n"
        "     0.500 < ready (stale)\n"
        "     3.000 < ready (crossing)\n"
        "     4.000 < 254 FE 04 50 52 4F 47\n"
        "     5.000 < ready\n"
        "     5.000 > 249 F9 02\n";
    for (const char* ms : {"   505.000", "  1005.000", "  1505.000", "  2005.000", "  2505.000",
                           "  3005.000", "  3505.000"}) {
        expected += std::string(ms) + " < ready\n" + ms + " > 249 F9 02 (resend)\n";
    }
    expected += "  3505.000 ! retry limit: Не могу выполнить команду! Очередь команд очищена.\n";
    EXPECT_EQ(text.str(), expected);
    EXPECT_TRUE(trace.good());
}

TEST_F(WireTraceTest, AFailedWriteStopsTheTraceButNotTheLink) {
    text.setstate(std::ios::badbit);
    enqueue({commands::askTitle()});
    ready();
    EXPECT_FALSE(trace.good());
    EXPECT_EQ(sink.payloads(), (std::vector<Bytes>{{254}}));
}

}  // namespace
}  // namespace kelvan::link::test
