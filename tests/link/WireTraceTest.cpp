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
    enqueue({commands::askTitle(), commands::selectChip(2)});
    at(1000);
    ready();  // sends 254
    at(2500);
    reply({249});                                      // not the head: dropped
    receive(ReadyFrame, LinkTime(microseconds(500)));  // read before 254 went out
    at(3000);
    ready();  // 254 again
    at(4000);
    reply(textReply(254, {}, "PROG"));  // queues 253 and 251 behind 249
    at(5000);
    for (int send = 1; send <= 8; ++send) {
        ready();
    }

    std::string expected =
        "# ms since start, > to the programmer / < from it / ! event, command code, payload in "
        "hexadecimal\n"
        "     1.000 < ready\n"
        "     1.000 > 254 FE\n"
        "     2.500 < 249 F9 (unmatched)\n"
        "     0.500 < ready (stale)\n"
        "     3.000 < ready\n"
        "     3.000 > 254 FE (resend)\n"
        "     4.000 < 254 FE 04 50 52 4F 47\n"
        "     5.000 < ready\n"
        "     5.000 > 249 F9 02\n";
    for (int resend = 2; resend <= 8; ++resend) {
        expected += "     5.000 < ready\n     5.000 > 249 F9 02 (resend)\n";
    }
    expected += "     5.000 ! retry limit: Не могу выполнить команду! Очередь команд очищена.\n";
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
