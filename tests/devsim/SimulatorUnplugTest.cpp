// The simulator unplugged and plugged in again: its link, its new terminal, the chips it keeps,
// and the hang-up a host's serial component sees.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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

bool isLink(const std::filesystem::path& path) {
    return std::filesystem::is_symlink(std::filesystem::symlink_status(path));
}

TEST(SimulatorUnplug, TheLinkFollowsTheTerminalAndTheChipsKeepTheirMemories) {
    const ScratchFolder folder;
    const std::filesystem::path link = folder.path() / "programmer";
    Simulator simulator(SimulatorOptions{.readyInterval = 20ms, .linkPath = link.string()});
    simulator.start();
    const std::string first = simulator.slavePath();
    EXPECT_TRUE(first.starts_with("/dev/pts/")) << first;
    EXPECT_EQ(linkTarget(link), first);

    // A host that still holds the old terminal keeps its number from being handed out again.
    RawHost oldHost(link.string());
    const Bytes write{10, 0x20, 0, 0, 0, 3, 0x11, 0x22, 0x33};
    ASSERT_EQ(oldHost.request(Bytes{249, 2}), Bytes{249});
    ASSERT_EQ(oldHost.request(write), Bytes{10});

    simulator.unplug();
    ASSERT_TRUE(simulator.waitUntil([](const Traffic& t) { return !t.plugged; }, 10s));
    EXPECT_EQ(simulator.slavePath(), "");
    EXPECT_FALSE(isLink(link)) << "no name to open while unplugged";
    simulator.unplug();  // already unplugged: nothing more happens

    simulator.replug();
    ASSERT_TRUE(simulator.waitUntil([](const Traffic& t) { return t.plugged; }, 10s));
    const std::string second = simulator.slavePath();
    EXPECT_TRUE(second.starts_with("/dev/pts/")) << second;
    EXPECT_NE(second, first);
    EXPECT_EQ(linkTarget(link), second);
    simulator.replug();  // already plugged in: the same terminal stays

    RawHost newHost(link.string());
    EXPECT_EQ(newHost.request(Bytes{249, 2}), Bytes{249});
    EXPECT_EQ(newHost.request(Bytes{9, 0x20, 0, 0, 0, 3}),
              (Bytes{9, 0x20, 0, 0, 0, 3, 0x11, 0x22, 0x33}));
    const Traffic traffic = simulator.traffic();
    EXPECT_EQ(traffic.unplugs, 1u);
    EXPECT_EQ(traffic.replugs, 1u);
    EXPECT_EQ(simulator.slavePath(), second);
    simulator.stop();
    EXPECT_FALSE(simulator.failure());
}

// The serial component of a host with the port open through the link: unplugging ends its
// receive thread with a hang-up, which it raises once on its main thread.
TEST(SimulatorUnplug, AnOpenPortOnTheLinkHangsUpWhenUnpluggedOnSchedule) {
    const ScratchFolder folder;
    const std::filesystem::path link = folder.path() / "programmer";
    // Long enough for the port to open first on a loaded machine.
    Simulator simulator(
        SimulatorOptions{.linkPath = link.string(), .unplugAfter = 1s, .replugAfter = 100ms});
    simulator.start();
    serial::test::QueueNotifier notifier;
    serial::TComm32 comm(notifier);
    int hangups = 0;
    comm.OnRequestHangup = [&hangups](serial::TComm32&) { ++hangups; };
    comm.setCommPort(link.string());
    ASSERT_TRUE(comm.OpenPort());

    ASSERT_TRUE(notifier.waitForKind(serial::CommMessage::Kind::Hangup));
    notifier.drainInto(comm);
    EXPECT_EQ(hangups, 1);
    ASSERT_TRUE(simulator.waitUntil([](const Traffic& t) { return t.replugs == 1; }, 10s));
    EXPECT_EQ(linkTarget(link), simulator.slavePath());
}

TEST(SimulatorUnplug, TheLinkReplacesOnlyASymbolicLinkAndGoesAtTheEnd) {
    const struct {
        const char* name;
        void (*prepare)(const std::filesystem::path& link);
        bool starts;
    } cases[] = {
        {"nothing there", [](const std::filesystem::path&) {}, true},
        {"a link left from an earlier run",
         [](const std::filesystem::path& link) {
             std::filesystem::create_symlink("/dev/pts/kelvan-gone", link);
         },
         true},
        {"a file", [](const std::filesystem::path& link) { std::ofstream(link) << "keep me"; },
         false},
        {"a folder",
         [](const std::filesystem::path& link) { std::filesystem::create_directory(link); }, false},
    };
    for (const auto& item : cases) {
        SCOPED_TRACE(item.name);
        const ScratchFolder folder;
        const std::filesystem::path link = folder.path() / "programmer";
        item.prepare(link);
        const auto before = std::filesystem::symlink_status(link).type();
        {
            Simulator simulator(SimulatorOptions{.linkPath = link.string()});
            if (!item.starts) {
                EXPECT_THROW(simulator.start(), std::runtime_error);
                EXPECT_EQ(std::filesystem::symlink_status(link).type(), before);
                if (before == std::filesystem::file_type::regular) {
                    EXPECT_EQ(folder.read(link), "keep me");
                }
                continue;
            }
            simulator.start();
            EXPECT_EQ(linkTarget(link), simulator.slavePath());
        }
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
    }
}

}  // namespace
}  // namespace kelvan::devsim
