// TComm32 and the programmer link together against the simulated programmer on a
// pseudo-terminal: the start-up conversation of the program, through the real threads.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "SerialTestSupport.h"
#include "buffer/ProgramBuffer.h"
#include "devsim/Cp1251.h"
#include "devsim/Simulator.h"
#include "link/ProgrammerLink.h"
#include "link/StandInPorts.h"
#include "serial/CommSink.h"

namespace kelvan::serial::test {
namespace {

using link::DeviceText;

// Records the caption and the chip list; the rest of the screen does not matter here.
class StartupView : public link::NullLinkView {
  public:
    std::string caption;
    std::vector<std::string> chips;
    std::vector<std::string> warnings;

    void setCaption(const DeviceText& title) override { caption = title.bytes; }
    void setDisconnectedCaption(std::string_view utf8) override { caption = utf8; }
    void clearChipList() override { chips.clear(); }
    void appendChip(const DeviceText& name) override { chips.push_back(name.bytes); }
    void showWarning(std::string_view utf8) override { warnings.emplace_back(utf8); }
};

TEST(SerialLinkEndToEnd, StartupConversationFillsTitleAndChipList) {
    devsim::Simulator device;
    device.start();

    QueueNotifier notifier;
    TComm32 comm(notifier);
    StartupView view;
    link::CountingWatchdog watchdog;
    CommSink sink(comm);
    ProgramBuffer buffer;
    link::ProgrammerLink programmerLink(sink, watchdog, view, buffer);
    comm.OnReceiveData = [&](const std::uint8_t* bytes, std::uint16_t length,
                             ReceiveTime receivedAt) {
        programmerLink.receiveData(std::span(bytes, length), receivedAt);
    };

    // What the settings dialog and the main window do at start-up.
    comm.setCommPort(device.slavePath());
    comm.setBaudRate(56000);
    ASSERT_TRUE(comm.OpenPort());
    const std::uint8_t reset[] = {255};
    const std::uint8_t title[] = {254};
    programmerLink.enqueue(reset);
    programmerLink.enqueue(title);

    const auto& catalogue = devsim::standardCatalogue();
    std::vector<std::string> expectedChips;
    for (const auto& chip : catalogue.chips) {
        expectedChips.push_back(devsim::utf8ToCp1251(chip.name));
    }
    // The test thread is the main thread: it raises the component's events until the chip list
    // is complete or the time-out passes.
    const auto deadline = std::chrono::steady_clock::now() + IoTimeout;
    while (view.chips.size() < expectedChips.size() &&
           std::chrono::steady_clock::now() < deadline) {
        notifier.waitUntil([](const auto& messages) { return !messages.empty(); },
                           std::chrono::milliseconds(200));
        notifier.drainInto(comm);
    }

    EXPECT_EQ(view.caption, devsim::utf8ToCp1251(catalogue.title));
    EXPECT_EQ(view.chips, expectedChips);
    EXPECT_TRUE(view.warnings.empty());
    EXPECT_GT(watchdog.restarts, 0);
    EXPECT_GE(device.framesReceived(255), 1u);
    EXPECT_GE(device.framesReceived(254), 1u);
    EXPECT_FALSE(device.failure().has_value());
}

}  // namespace
}  // namespace kelvan::serial::test
