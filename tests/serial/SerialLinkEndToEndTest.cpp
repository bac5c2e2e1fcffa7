// TComm32 and the programmer link together against the simulated programmer on a
// pseudo-terminal, through the real threads: the start-up conversation of the program, also
// with a main thread that is busy for longer than the programmer's ready interval.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "LinkTestSupport.h"
#include "SerialTestSupport.h"
#include "WireOnFailure.h"
#include "image/ProgramBuffer.h"
#include "devsim/Cp1251.h"
#include "devsim/Simulator.h"
#include "link/Commands.h"
#include "link/ProgrammerLink.h"
#include "link/StandInPorts.h"
#include "session/CommSink.h"

namespace kelvan::serial::test {
namespace {

using namespace std::chrono_literals;
using link::Bytes;

// The simulator's idle interval between readies, and a stall of the main thread two and a half
// times as long, so that several readies wait in the queue behind each answer.
constexpr auto ReadyInterval = 100ms;
constexpr auto Stall = 250ms;
// A stalled conversation takes one stall per command; this leaves room for a loaded machine.
constexpr auto StalledTimeout = 90s;

class SerialLinkEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        device.start();
        comm.OnReceiveData = [this](const std::uint8_t* bytes, std::uint16_t length,
                                    ReceiveTime receivedAt) {
            programmerLink.receiveData(std::span(bytes, length), receivedAt);
        };
        // What the settings dialog does at start-up.
        comm.setCommPort(device.slavePath());
        comm.setBaudRate(56000);
        ASSERT_TRUE(comm.OpenPort());
    }
    void TearDown() override { wire.printIfFailed("the link"); }

    // The test thread is the main thread: it raises the component's events until done()
    // holds or timeout passes, blocked for stall before it takes each batch of waiting
    // messages. False on time-out.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds stall,
                  std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= deadline) {
                return false;
            }
            if (stall > 0ms) {
                std::this_thread::sleep_for(stall);
            } else {
                notifier.waitUntil([](const auto& messages) { return !messages.empty(); }, 200ms);
            }
            notifier.drainInto(comm);
        }
        return true;
    }

    // What the main window queues when it is shown.
    void startUp() {
        programmerLink.enqueue(link::commands::endOfSequence());
        programmerLink.enqueue(link::commands::askTitle());
    }

    bool allChipsListed() const { return view.chips.size() >= expectedChips().size(); }

    static std::vector<std::string> expectedChips() {
        std::vector<std::string> names;
        for (const auto& chip : devsim::standardCatalogue().chips) {
            names.push_back(devsim::utf8ToCp1251(chip.name));
        }
        return names;
    }

    devsim::Simulator device{{.readyInterval = ReadyInterval}};
    QueueNotifier notifier;
    TComm32 comm{notifier};
    link::test::FakeView view;
    link::CountingWatchdog watchdog;
    session::CommSink sink{comm};
    ProgramBuffer buffer;
    link::ProgrammerLink programmerLink{sink, watchdog, view, buffer};
    kelvan::test::RecordedWire wire{programmerLink};
};

TEST_F(SerialLinkEndToEnd, StartupConversationFillsTitleAndChipList) {
    startUp();
    ASSERT_TRUE(runUntil([this] { return allChipsListed(); }, 0ms, IoTimeout));

    EXPECT_EQ(view.caption, devsim::utf8ToCp1251(devsim::standardCatalogue().title));
    EXPECT_EQ(view.chips, expectedChips());
    EXPECT_TRUE(view.warnings.empty());
    EXPECT_GT(watchdog.restarts, 0);
    EXPECT_GE(device.framesReceived(255), 1u);
    EXPECT_GE(device.framesReceived(254), 1u);
    EXPECT_FALSE(device.failure().has_value());
}

// Chip names carry no index: a name asked for twice and both answers taken would be listed
// twice and push the others down. A ready that crosses a request on a loaded machine may have
// it asked twice; the list must still be the programmer's.
TEST_F(SerialLinkEndToEnd, StalledStartUpListsTheChipsInTheProgrammersOrder) {
    startUp();
    ASSERT_TRUE(runUntil([this] { return programmerLink.queueLength() == 0 && allChipsListed(); },
                         Stall, StalledTimeout))
        << view.chips.size() << " chips";
    EXPECT_EQ(view.chips, expectedChips());
    EXPECT_GE(device.framesReceived(250), expectedChips().size());
    EXPECT_TRUE(view.warnings.empty());
    EXPECT_FALSE(device.failure().has_value());
}

// Write chunks are answered by their code alone: a chunk sent twice must not have its second
// answer taken for the next chunk's, which then would never go out. A ready that crosses a
// chunk on a loaded machine may have it written twice in a row, which leaves the chip right.
TEST_F(SerialLinkEndToEnd, StalledWriteBringsEveryChunkToTheChipInOrder) {
    constexpr std::uint8_t Chip = 1;
    constexpr std::size_t Chunks = 8;
    Bytes image(Chunks * link::ChunkSize);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 7 + 3);
    }
    programmerLink.enqueue(link::commands::selectChip(Chip));
    for (std::size_t chunk = 0; chunk < Chunks; ++chunk) {
        const auto address = static_cast<std::uint32_t>(chunk * link::ChunkSize);
        programmerLink.enqueue(link::commands::writeProgramMemory(
            address, std::span(image).subspan(address, link::ChunkSize)));
    }
    programmerLink.enqueue(link::commands::endOfSequence());
    ASSERT_TRUE(runUntil(
        [this] { return programmerLink.queueLength() == 0 && device.framesReceived(255) > 0; },
        Stall, StalledTimeout));

    // The chunks as the chip received them, a repeat straight after the first copy counted
    // once: each address, in order.
    std::vector<std::uint32_t> written;
    const devsim::Traffic traffic = device.traffic();
    for (const Bytes& frame : traffic.frames) {
        if (frame.size() < 3 || frame[0] != 10) {
            continue;
        }
        const auto address = static_cast<std::uint32_t>(frame[1] | frame[2] << 8);
        if (written.empty() || written.back() != address) {
            written.push_back(address);
        }
    }
    EXPECT_EQ(written, (std::vector<std::uint32_t>{0, 224, 448, 672, 896, 1120, 1344, 1568}));
    const Bytes memory = device.withDevice(
        [](devsim::DeviceModel& model) { return model.chip(Chip).programMemory; });
    EXPECT_EQ(Bytes(memory.begin(), memory.begin() + std::ssize(image)), image);
    EXPECT_TRUE(view.warnings.empty());
    EXPECT_FALSE(device.failure().has_value());
}

}  // namespace
}  // namespace kelvan::serial::test
