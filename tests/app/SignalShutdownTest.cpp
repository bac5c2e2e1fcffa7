// The real program as a process of its own: ended by a termination signal, as a logout, kill or
// Ctrl-C ends it, it runs its closing sequence and stores its options, also when the signal
// finds a box open; and its command line, which names a file to open or nothing.

#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <thread>

#include "ChildProcess.h"
#include "ScratchFolder.h"
#include "devsim/Simulator.h"

namespace kelvan::app {
namespace {

using namespace std::chrono_literals;

TEST(SignalShutdown, ATerminationSignalRunsTheClosingSequenceAndStoresTheOptions) {
    devsim::Simulator simulator;
    simulator.start();
    const struct {
        int signal;
        std::string port;  // a missing one keeps the start-up error box open
    } cases[] = {{SIGTERM, simulator.slavePath()},
                 {SIGINT, simulator.slavePath()},
                 {SIGHUP, simulator.slavePath()},
                 {SIGTERM, "/nonexistent/kelvan-port"}};
    for (const auto& testCase : cases) {
        SCOPED_TRACE(std::to_string(testCase.signal) + " " + testCase.port);
        const test::ScratchFolder home;
        // "Parity" left out: the settings dialog writes it at once, which tells that it exists.
        const std::filesystem::path settings =
            home.write("NORVELLA/KELVAN.conf",
                       "[General]\nComPort=" + testCase.port + "\nCheck3=0\nCheck7=0\n");
        const auto stored = [&] { return home.read(settings); };
        test::ChildProcess program(
            {KELVAN_PATH}, home.path(), "kelvan",
            {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + home.path().string()});
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (stored().find("Parity=-1") == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
        }
        std::this_thread::sleep_for(500ms);  // the window, or the box, is up by now
        program.signal(testCase.signal);
        EXPECT_EQ(program.wait(20s), 0) << program.errors();
        const std::string text = stored();
        for (int number = 1; number <= 12; ++number) {
            const bool clear = number == 3 || number == 7;
            EXPECT_NE(text.find("Check" + std::to_string(number) + (clear ? "=0\n" : "=1\n")),
                      std::string::npos)
                << number << "\n"
                << text;
        }
    }
}

TEST(KelvanProgram, OpensTheFileItIsGivenAndRefusesOtherArguments) {
    for (const std::vector<std::string>& refused :
         {std::vector<std::string>{"a.hex", "b.hex"}, {"--bogus"}, {"--trace"}}) {
        const test::ScratchFolder folder;
        std::vector<std::string> arguments{KELVAN_PATH};
        arguments.insert(arguments.end(), refused.begin(), refused.end());
        test::ChildProcess program(arguments, folder.path(), "kelvan", {"QT_QPA_PLATFORM=offscreen"});
        EXPECT_EQ(program.wait(20s), 2) << refused.back();
        EXPECT_NE(program.errors().find("kelvan: "), std::string::npos) << program.errors();
    }

    // The file's folder becomes the browser's, which the settings keep as "Path" at the end.
    devsim::Simulator simulator;
    simulator.start();
    const test::ScratchFolder home;
    const std::filesystem::path settings =
        home.write("NORVELLA/KELVAN.conf", "[General]\nComPort=" + simulator.slavePath() + "\n");
    const std::filesystem::path image = home.write("Прошивки/image.hex", ":00000001FF\n");
    test::ChildProcess program(
        {KELVAN_PATH, image.string()}, home.path(), "kelvan",
        {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + home.path().string()});
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (home.read(settings).find("Parity=-1") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(20ms);
    }
    std::this_thread::sleep_for(500ms);
    program.signal(SIGTERM);
    EXPECT_EQ(program.wait(20s), 0) << program.errors();
    EXPECT_NE(home.read(settings).find("Path=" + image.parent_path().string()), std::string::npos)
        << home.read(settings);
}

}  // namespace
}  // namespace kelvan::app
