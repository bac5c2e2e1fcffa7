// The simulator unplugged and plugged in again: the hang-up a host's serial component sees, the
// link that follows the terminal, and the chips it keeps.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "DevsimTestSupport.h"
#include "QueueNotifier.h"
#include "ScratchFolder.h"
#include "devsim/Simulator.h"
#include "serial/TComm32.h"

namespace kelvan::devsim {
namespace {

using namespace std::chrono_literals;
using kelvan::test::ScratchFolder;
using testing::RawHost;

std::string linkTarget(const std::filesystem::path& link) {
    std::error_code error;
    return std::filesystem::read_symlink(link, error).string();
}

// Unplugged on schedule (late enough for the port to open first on a loaded machine), plugged
// in again on request.
TEST(SimulatorUnplug, AnOpenPortHangsUpAndTheLinkFollowsTheNewTerminal) {
    const ScratchFolder folder;
    const std::filesystem::path link = folder.path() / "programmer";
    Simulator simulator(SimulatorOptions{.linkPath = link.string(), .unplugAfter = 1s});
    simulator.start();
    const std::string first = simulator.slavePath();
    EXPECT_TRUE(first.starts_with("/dev/pts/")) << first;
    EXPECT_EQ(linkTarget(link), first);
    simulator.withDevice([](DeviceModel& device) { device.chip(2).programMemory[0x20] = 0x5A; });

    // The open port also keeps the old terminal's number from being handed out again.
    serial::test::QueueNotifier notifier;
    serial::TComm32 comm(notifier);
    int hangups = 0;
    comm.OnRequestHangup = [&hangups](serial::TComm32&) { ++hangups; };
    comm.setCommPort(link.string());
    ASSERT_TRUE(comm.OpenPort());
    ASSERT_TRUE(notifier.waitForKind(serial::CommMessage::Kind::Hangup));
    notifier.drainInto(comm);
    EXPECT_EQ(hangups, 1);
    ASSERT_TRUE(simulator.waitUntil([](const Traffic& t) { return !t.plugged; }, 10s));
    EXPECT_EQ(simulator.slavePath(), "");
    EXPECT_FALSE(std::filesystem::is_symlink(std::filesystem::symlink_status(link)));

    simulator.replug();
    ASSERT_TRUE(simulator.waitUntil([](const Traffic& t) { return t.plugged; }, 10s));
    const std::string second = simulator.slavePath();
    EXPECT_TRUE(second.starts_with("/dev/pts/")) << second;
    EXPECT_NE(second, first);
    EXPECT_EQ(linkTarget(link), second);
    RawHost host(link.string());
    EXPECT_EQ(host.request(Bytes{249, 2}), Bytes{249});
    EXPECT_EQ(host.request(Bytes{9, 0x20, 0, 0, 0, 1}), (Bytes{9, 0x20, 0, 0, 0, 1, 0x5A}));
    EXPECT_EQ(simulator.traffic().unplugs, 1u);
    EXPECT_EQ(simulator.traffic().replugs, 1u);
}

TEST(SimulatorUnplug, TheLinkNeverReplacesAFile) {
    const ScratchFolder folder;
    const std::filesystem::path file = folder.write("programmer", "keep me");
    Simulator simulator(SimulatorOptions{.linkPath = file.string()});
    EXPECT_THROW(simulator.start(), std::runtime_error);
    EXPECT_EQ(folder.read(file), "keep me");
}

}  // namespace
}  // namespace kelvan::devsim
