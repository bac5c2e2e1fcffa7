// The real program ended by a termination signal, as a logout, kill or Ctrl-C ends it: it runs
// its closing sequence and leaves the options in its settings file, also when the signal finds
// a box open.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "ChildProcess.h"
#include "ScratchFolder.h"
#include "devsim/Simulator.h"

namespace kelvan::app {
namespace {

using namespace std::chrono_literals;

std::string readFile(const std::filesystem::path& file) {
    std::ifstream stream(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(stream), {});
}

// Waits until the file holds text, or the deadline passes.
bool waitForText(const std::filesystem::path& file, const std::string& text,
                 std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (readFile(file).find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

TEST(SignalShutdown, ATerminationSignalRunsTheClosingSequenceAndStoresTheOptions) {
    devsim::Simulator simulator;
    simulator.start();
    const struct {
        const char* what;
        int signal;
        std::string port;  // a missing one leaves the start-up error box open
    } cases[] = {
        {"SIGTERM while connected", SIGTERM, simulator.slavePath()},
        {"SIGINT while connected", SIGINT, simulator.slavePath()},
        {"SIGHUP while connected", SIGHUP, simulator.slavePath()},
        {"SIGTERM over the start-up box", SIGTERM, "/nonexistent/kelvan-port"},
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.what);
        const test::ScratchFolder home;
        // Check3 and Check7 stored clear; "Parity" left out, so the start-up writes it as soon
        // as the settings dialog exists, which tells that the program is up.
        const std::filesystem::path settings = home.write(
            "config/NORVELLA/KELVAN.conf",
            "[General]\nComPort=" + testCase.port +
                "\nBitrate=56000\nCheck3=0\nCheck7=0\nPath=" + home.path().string() + "\n");
        test::ChildProcess program(
            {KELVAN_PATH}, home.path(), "kelvan",
            {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + (home.path() / "config").string(),
             "XDG_DATA_HOME=" + (home.path() / "data").string()});
        ASSERT_TRUE(waitForText(settings, "Parity=-1", 20s)) << program.errors();
        if (testCase.port == simulator.slavePath()) {
            const std::size_t titlesBefore = simulator.framesReceived(254);
            ASSERT_TRUE(simulator.waitUntil(
                [&](const devsim::Traffic& traffic) {
                    return traffic.framesPerCode[254] > titlesBefore;
                },
                20s));
        } else {
            std::this_thread::sleep_for(500ms);  // the box is up by now, or about to be
        }
        program.signal(testCase.signal);
        EXPECT_EQ(program.wait(20s), 0) << program.errors();
        const std::string stored = readFile(settings);
        for (int number = 1; number <= 12; ++number) {
            const bool clear = number == 3 || number == 7;
            EXPECT_NE(stored.find("Check" + std::to_string(number) + (clear ? "=0\n" : "=1\n")),
                      std::string::npos)
                << number << "\n"
                << stored;
        }
        EXPECT_NE(stored.find("Path=" + home.path().string() + "\n"), std::string::npos) << stored;
    }
}

}  // namespace
}  // namespace kelvan::app
