#include "devsim/Simulator.h"

#include <gtest/gtest.h>

#include <bit>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>

#include "DevsimTestSupport.h"
#include "ScratchFolder.h"
#include "devsim/MemoryDump.h"
#include "link/Commands.h"

namespace kelvan::devsim {
namespace {

using namespace std::chrono_literals;
using kelvan::test::ScratchFolder;
using testing::IoTimeout;
using testing::RawHost;

TEST(Simulator, HoldsAConversationAndRecordsWhatItReceived) {
    Simulator simulator;
    simulator.start();
    RawHost host(simulator.slavePath());

    const std::optional<Bytes> title = host.request(Bytes{254});
    ASSERT_TRUE(title);
    EXPECT_EQ(title->at(0), 254);
    EXPECT_EQ(title->at(1), title->size() - 2);
    EXPECT_EQ(host.request(Bytes{249, 1}), Bytes{249});
    simulator.withDevice([](DeviceModel& device) { device.chip(1).programMemory[5] = 0xA5; });
    const std::optional<Bytes> chunk = host.request(link::commands::readProgramMemory(4, 2));
    ASSERT_TRUE(chunk);
    EXPECT_EQ(chunk->at(7), 0xA5);

    const Traffic traffic = simulator.traffic();
    ASSERT_EQ(traffic.frames.size(), 3u);
    EXPECT_EQ(traffic.frames[1], (Bytes{249, 1}));
    EXPECT_EQ(simulator.framesReceived(254), 1u);
    EXPECT_EQ(simulator.framesReceived(9), 1u);
    EXPECT_EQ(simulator.framesReceived(255), 0u);
    EXPECT_EQ(traffic.repliesSent, 3u);
    EXPECT_GE(traffic.readyFramesSent, 4u);  // at start and after each reply
    EXPECT_EQ(simulator.withDevice([](DeviceModel& device) { return device.selectedChip(); }), 1u);
    simulator.stop();
    EXPECT_FALSE(simulator.failure());
}

TEST(Simulator, KeepsSendingReadyFramesWhileIdle) {
    Simulator simulator(SimulatorOptions{.readyInterval = 20ms});
    simulator.start();
    RawHost host(simulator.slavePath());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(host.nextFrame(), Bytes{}) << i;
    }
}

TEST(Simulator, DropsDamagedFramesAndOffersAnotherReady) {
    Simulator simulator(SimulatorOptions{.readyInterval = 50ms});
    simulator.start();
    RawHost host(simulator.slavePath());
    ASSERT_EQ(host.nextFrame(), Bytes{});
    Bytes damaged = link::buildLinkFrame(Bytes{254});
    damaged.back() ^= 0x01;
    host.sendRaw(damaged);
    ASSERT_TRUE(
        simulator.waitUntil([](const Traffic& t) { return t.framesDropped == 1; }, IoTimeout));
    host.drain();
    const std::optional<Bytes> reply = host.request(Bytes{254});
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->at(0), 254);
    EXPECT_EQ(simulator.framesReceived(254), 1u);
}

TEST(Simulator, SilenceIgnoresTheHostThenReadyComesBack) {
    Simulator simulator;
    simulator.start();
    RawHost host(simulator.slavePath());
    simulator.goSilent(1500ms);
    ASSERT_TRUE(simulator.waitUntil([](const Traffic& t) { return t.silent; }, IoTimeout));
    host.drain();
    host.send(Bytes{254});
    ASSERT_TRUE(simulator.waitUntil([](const Traffic& t) { return !t.silent; }, IoTimeout));
    EXPECT_EQ(simulator.framesReceived(254), 0u);
    EXPECT_EQ(host.readBytes(link::FrameHeaderSize), link::buildLinkFrame(Bytes{}));
    host.send(Bytes{253});
    const std::optional<Bytes> reply = host.nextReply();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->at(0), 253);
}

TEST(Simulator, ScheduledSilenceBeginsAndEndsOnItsOwn) {
    Simulator simulator(SimulatorOptions{.silentAfter = 0ms, .silentFor = 100ms});
    simulator.start();
    ASSERT_TRUE(simulator.waitUntil([](const Traffic& t) { return t.silences == 1 && !t.silent; },
                                    IoTimeout));
    RawHost host(simulator.slavePath());
    EXPECT_TRUE(host.request(Bytes{255}));
}

TEST(Simulator, DuplicateReadyMakesTheHostSendItsHeadTwice) {
    Simulator simulator(SimulatorOptions{.readyInterval = 1000ms, .duplicateReady = true});
    simulator.start();
    RawHost host(simulator.slavePath());
    // The device answers nothing before its second ready is out, so a host that sends on
    // every ready sends the same head twice.
    ASSERT_EQ(host.nextFrame(), Bytes{});
    host.send(Bytes{251});
    ASSERT_EQ(host.nextFrame(), Bytes{});
    host.send(Bytes{251});
    EXPECT_EQ(host.nextFrame(), (Bytes{251, 3}));
    EXPECT_EQ(host.nextFrame(), (Bytes{251, 3}));
    EXPECT_EQ(host.nextFrame(), Bytes{});
    EXPECT_EQ(host.nextFrame(), Bytes{});
    EXPECT_EQ(simulator.framesReceived(251), 2u);
}

TEST(Simulator, CorruptionFlipsOneBitInEachChosenByte) {
    Simulator simulator(SimulatorOptions{.corruptFraction = 1.0, .seed = 9});
    simulator.start();
    RawHost host(simulator.slavePath());
    const Bytes clean = link::buildLinkFrame(Bytes{});
    const Bytes received = host.readBytes(clean.size());
    ASSERT_EQ(received.size(), clean.size());
    for (std::size_t i = 0; i < clean.size(); ++i) {
        EXPECT_EQ(std::popcount(static_cast<unsigned>(received[i] ^ clean[i])), 1) << i;
    }
    EXPECT_GE(simulator.traffic().bytesCorrupted, clean.size());
}

TEST(Simulator, PacedOutputArrivesIntact) {
    Simulator simulator(SimulatorOptions{.baud = 115200});
    simulator.start();
    RawHost host(simulator.slavePath());
    ASSERT_TRUE(host.request(Bytes{249, 2}));
    const std::optional<Bytes> chunk = host.request(link::commands::readProgramMemory(448, 224));
    ASSERT_TRUE(chunk);
    const Bytes expected = simulator.withDevice([](DeviceModel& device) {
        const Bytes& memory = device.chip(2).programMemory;
        return Bytes(memory.begin() + 448, memory.begin() + 448 + 224);
    });
    EXPECT_EQ(Bytes(chunk->begin() + 6, chunk->end()), expected);
}

TEST(Simulator, PacedInputIsTakenOnlyAfterItsWireTime) {
    Simulator simulator(SimulatorOptions{.baud = 9600, .readyInterval = 1000ms});
    simulator.start();
    RawHost host(simulator.slavePath());
    ASSERT_EQ(host.nextFrame(), Bytes{});
    // 237 bytes of a full write chunk take 246.9 ms at 9600 bit/s, its reply and the next ready
    // another 14.6 ms: the pseudo-terminal alone would answer within a millisecond.
    const auto sent = std::chrono::steady_clock::now();
    host.send(link::commands::writeProgramMemory(0, Bytes(224, 0x5A)));
    EXPECT_EQ(host.nextFrame(), Bytes{10});
    EXPECT_GE(std::chrono::steady_clock::now() - sent, 246ms + 8ms);
    EXPECT_EQ(host.nextFrame(), Bytes{});
    EXPECT_TRUE(simulator.waitUntil(
        [](const Traffic& traffic) {
            return traffic.bytesReceived == 237 && traffic.bytesSent == 6 + 8 + 6;
        },
        IoTimeout));
}

TEST(Simulator, LogsEveryFrameInBothDirections) {
    const ScratchFolder folder;
    const std::filesystem::path log = folder.path() / "frames.log";
    {
        Simulator simulator(SimulatorOptions{.logPath = log.string()});
        simulator.start();
        RawHost host(simulator.slavePath());
        ASSERT_TRUE(host.request(Bytes{254}));
        ASSERT_TRUE(simulator.waitUntil([](const Traffic& t) { return t.readyFramesSent >= 2; },
                                        IoTimeout));
        simulator.stop();
    }
    std::ifstream file(log);
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_NE(text.str().find(" rx D1 E0 EB EE 01 8B FE FE\n"), std::string::npos);
    EXPECT_NE(text.str().find(" tx D1 E0 EB EE 00 8A\n"), std::string::npos);
    EXPECT_NE(text.str().find(" tx D1 E0 EB EE 1E A8 FE 1C CF F0"), std::string::npos);
}

TEST(Simulator, StartFailsCleanlyOnAnUnwritableLog) {
    Simulator simulator(SimulatorOptions{.logPath = "/nonexistent-dir/devsim.log"});
    EXPECT_THROW(simulator.start(), std::runtime_error);
}

TEST(Simulator, AnErrorOnItsThreadIsReportedNotSwallowed) {
    std::promise<void> failed;
    Simulator simulator(
        SimulatorOptions{.logPath = "/dev/full", .onFailure = [&failed] { failed.set_value(); }});
    simulator.start();
    ASSERT_EQ(failed.get_future().wait_for(IoTimeout), std::future_status::ready);
    const std::optional<std::string> failure = simulator.failure();
    ASSERT_TRUE(failure);
    EXPECT_NE(failure->find("/dev/full"), std::string::npos);
    simulator.stop();
}

TEST(MemoryDump, WritesEachChipsMemoriesAsTheyAre) {
    DeviceModel device;
    device.chip(2).programMemory[65535] = 0x42;
    const ScratchFolder folder;
    const std::filesystem::path directory = folder.path() / "dump";
    dumpMemories(device, directory);
    for (std::size_t i = 0; i < device.chipCount(); ++i) {
        for (const auto& [suffix, memory] :
             {std::pair{"-program.bin", &device.chip(i).programMemory},
              std::pair{"-eeprom.bin", &device.chip(i).eeprom}}) {
            std::ifstream file(directory / ("chip" + std::to_string(i) + suffix), std::ios::binary);
            ASSERT_TRUE(file) << i << suffix;
            const Bytes content{std::istreambuf_iterator<char>(file), {}};
            EXPECT_EQ(content, *memory) << i << suffix;
        }
    }
}

}  // namespace
}  // namespace kelvan::devsim
