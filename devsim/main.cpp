// kelvan-devsim: the simulated programmer on a pseudo-terminal, for the end-to-end tests and
// the demo. See usageText() for the options.

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string_view>
#include <vector>

#include "devsim/CommandLine.h"
#include "devsim/MemoryDump.h"
#include "devsim/Simulator.h"

namespace {

using kelvan::devsim::CommandLine;

// Waits for SIGINT, SIGTERM, the simulator's own failure signal (SIGUSR1) or the end of
// --exit-after. The signals are blocked in every thread, so they are only taken here.
bool waitForEnd(const sigset_t& signals, const CommandLine& commandLine) {
    for (;;) {
        int result = 0;
        if (commandLine.exitAfter) {
            const auto milliseconds = commandLine.exitAfter->count();
            const timespec timeout{static_cast<time_t>(milliseconds / 1000),
                                   static_cast<long>(milliseconds % 1000) * 1'000'000};
            result = sigtimedwait(&signals, nullptr, &timeout);
            if (result < 0 && errno == EAGAIN) {
                return true;
            }
        } else {
            int signal = 0;
            result = sigwait(&signals, &signal) == 0 ? signal : -1;
        }
        if (result >= 0) {
            return true;
        }
        if (errno != EINTR) {
            std::perror("kelvan-devsim: waiting for signals");
            return false;
        }
    }
}

int run(const CommandLine& commandLine) {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGUSR1);
    if (const int error = pthread_sigmask(SIG_BLOCK, &signals, nullptr); error != 0) {
        std::fprintf(stderr, "kelvan-devsim: pthread_sigmask: %s\n", std::strerror(error));
        return 1;
    }

    kelvan::devsim::SimulatorOptions options = commandLine.options;
    options.onFailure = [] {
        // Process-directed, so the main thread's sigwait takes it.
        if (kill(getpid(), SIGUSR1) != 0) {
            std::perror("kelvan-devsim: kill");
        }
    };
    kelvan::devsim::Simulator simulator(options);
    simulator.start();
    if (std::printf("%s\n", simulator.slavePath().c_str()) < 0 || std::fflush(stdout) != 0) {
        std::perror("kelvan-devsim: writing the terminal path");
        return 1;
    }

    bool ok = waitForEnd(signals, commandLine);
    simulator.stop();
    if (const auto failure = simulator.failure()) {
        std::fprintf(stderr, "kelvan-devsim: %s\n", failure->c_str());
        ok = false;
    }
    if (!commandLine.dumpDirectory.empty()) {
        simulator.withDevice([&](const kelvan::devsim::DeviceModel& device) {
            kelvan::devsim::dumpMemories(device, commandLine.dumpDirectory);
        });
    }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const std::vector<std::string_view> arguments(argv + 1, argv + argc);
        const CommandLine commandLine = kelvan::devsim::parseCommandLine(arguments);
        if (commandLine.help) {
            std::fputs(kelvan::devsim::usageText().c_str(), stdout);
            return 0;
        }
        return run(commandLine);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "kelvan-devsim: %s\nTry kelvan-devsim --help.\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kelvan-devsim: %s\n", error.what());
        return 1;
    }
}
