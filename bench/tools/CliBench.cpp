// kelvan-cli as a user runs it, against the simulated programmer on a pseudo-terminal.
//
// Write and verify: the whole run of `write-flash` of a 64 KiB image with every write option,
// from starting the program to its exit, on a line paced at 115200 bit/s both ways, set against
// the line's bound for every frame of the run (the start-up conversation and the chip choice
// included).
//
// Start-up: from starting the program to the first frame the programmer receives, while the
// programmer is already talking. The host only sends on a ready, so the simulator offers one
// every millisecond while idle; the time is start-up, port opening and one ready's turnaround.

#include <benchmark/benchmark.h>

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "../LineBound.h"
#include "ChildProcess.h"
#include "ScratchFolder.h"
#include "devsim/Simulator.h"

namespace kelvan::tools::bench {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr unsigned Baud = 115200;

// A settings folder of its own, so the run has the defaults: every write option set.
std::unique_ptr<test::ChildProcess> startCli(const test::ScratchFolder& folder,
                                             std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), KELVAN_CLI_PATH);
    return std::make_unique<test::ChildProcess>(
        std::move(arguments), folder.path(), "cli",
        std::vector<std::string>{"XDG_CONFIG_HOME=" + (folder.path() / "config").string()});
}

void writeImage(const test::ScratchFolder& folder, unsigned seed) {
    std::mt19937 random(seed);
    std::string image(64 * 1024, '\0');
    std::generate(image.begin(), image.end(), [&] { return static_cast<char>(random()); });
    folder.write("image.bin", image);
}

void BM_CliWriteFlash64KiBPaced115200(benchmark::State& state) {
    const test::ScratchFolder folder;
    // Idle readies only come between the conversation's stages; above a frame's 21 ms on the
    // line, so none is offered while a command is still crossing.
    devsim::Simulator simulator(devsim::SimulatorOptions{.baud = Baud, .readyInterval = 100ms});
    simulator.start();
    double elapsed = 0;
    double bound = 0;
    unsigned seed = 1;
    for (auto _ : state) {
        writeImage(folder, seed++);
        const devsim::Traffic before = simulator.traffic();
        const Clock::time_point started = Clock::now();
        const auto cli = startCli(folder, {"--port", simulator.slavePath(), "--chip", "2",
                                           "write-flash", (folder.path() / "image.bin").string()});
        const std::optional<int> status = cli->wait(120s);
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        if (status != 0) {
            state.SkipWithError(("kelvan-cli failed (" + std::to_string(status.value_or(-99)) +
                                 "): " + cli->errors() + cli->output())
                                    .c_str());
            return;
        }
        state.SetIterationTime(seconds);
        elapsed += seconds;
        bound += kelvan::bench::lineBoundSeconds(
            kelvan::bench::lineUseBetween(before, simulator.traffic()), Baud);
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["bound_s"] = bound / iterations;
    state.counters["bound_share"] = bound / elapsed;  // 1.0: as fast as the line allows
}
BENCHMARK(BM_CliWriteFlash64KiBPaced115200)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void BM_CliStartUpToFirstFrame(benchmark::State& state) {
    const test::ScratchFolder folder;
    devsim::Simulator simulator(devsim::SimulatorOptions{.readyInterval = 1ms});
    simulator.start();
    std::vector<double> samples;
    for (auto _ : state) {
        const std::size_t framesBefore = simulator.traffic().frames.size();
        const Clock::time_point started = Clock::now();
        const auto cli = startCli(folder, {"--port", simulator.slavePath(), "info"});
        const bool sent = simulator.waitUntil(
            [&](const devsim::Traffic& traffic) { return traffic.frames.size() > framesBefore; },
            10s);
        const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
        // The first command of the start-up conversation; the rest of the run is not measured
        // (a ready every millisecond is more than a host can answer without repeats).
        if (!sent || simulator.traffic().frames[framesBefore] != devsim::Bytes{255}) {
            state.SkipWithError("kelvan-cli did not open with command 255");
            return;
        }
        cli->signal(SIGTERM);
        static_cast<void>(cli->wait(10s));
        state.SetIterationTime(seconds);
        samples.push_back(seconds);
    }
    std::sort(samples.begin(), samples.end());
    state.counters["median_ms"] = samples[samples.size() / 2] * 1e3;
    state.counters["max_ms"] = samples.back() * 1e3;
}
BENCHMARK(BM_CliStartUpToFirstFrame)
    ->Iterations(30)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvan::tools::bench
