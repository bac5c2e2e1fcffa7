// Host turnaround through the real stack: the far side of a pseudo-terminal sends an empty
// frame and times how long until the first byte of the host's next frame can be read. On the
// host the empty frame goes through TComm32's receive thread, the main-thread loop, the link's
// frame parser and command queue, SendData and the transmit thread.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "SerialBenchSupport.h"
#include "image/ProgramBuffer.h"
#include "link/LinkFrame.h"
#include "link/ProgrammerLink.h"
#include "link/StandInPorts.h"
#include "session/CommSink.h"

namespace kelvan::serial::bench {
namespace {

constexpr std::uint8_t TitleRequest[] = {254};

double percentile(std::vector<double> samples, double fraction) {
    std::sort(samples.begin(), samples.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(samples.size() - 1));
    return samples[index];
}

void BM_SerialHostTurnaround(benchmark::State& state) {
    devsim::PseudoTerminal pty;
    MainThreadLoop loop;
    TComm32 comm(loop);
    link::NullLinkView view;
    link::CountingWatchdog watchdog;
    session::CommSink sink(comm);
    ProgramBuffer buffer;
    link::ProgrammerLink programmerLink(sink, watchdog, view, buffer);
    comm.OnReceiveData = [&](const std::uint8_t* bytes, std::uint16_t length,
                             ReceiveTime receivedAt) {
        programmerLink.receiveData(std::span(bytes, length), receivedAt);
    };
    comm.setBaudRate(56000);
    if (!openOnPty(comm, pty, state)) {
        return;
    }
    // Nobody answers the title request, so the retry limit empties the queue every eighth
    // send; the main thread tops it up so that every empty frame finds a head to send.
    programmerLink.enqueue(TitleRequest);
    loop.start(comm, [&] {
        if (programmerLink.queueLength() == 0) {
            programmerLink.enqueue(TitleRequest);
        }
    });

    std::vector<double> samples;
    samples.reserve(static_cast<std::size_t>(state.max_iterations));
    const link::Bytes emptyFrame = link::buildLinkFrame({});
    const link::Bytes titleFrame = link::buildLinkFrame(TitleRequest);
    link::Bytes frame(titleFrame.size());
    for (auto _ : state) {
        const auto sent = std::chrono::steady_clock::now();
        pty.writeAll(emptyFrame, LineTimeout);
        if (pty.read(std::span(frame).first(1), LineTimeout) != 1) {
            state.SkipWithError("the line ended");
            break;
        }
        const std::chrono::duration<double> turnaround = std::chrono::steady_clock::now() - sent;
        state.SetIterationTime(turnaround.count());
        samples.push_back(turnaround.count() * 1e6);
        if (pty.read(std::span(frame).subspan(1), LineTimeout) != frame.size() - 1 ||
            frame != titleFrame) {
            state.SkipWithError("the host's frame is not the title request");
            break;
        }
    }
    loop.stop();
    if (!samples.empty()) {
        state.counters["median_us"] = percentile(samples, 0.5);
        state.counters["p99_us"] = percentile(samples, 0.99);
        state.counters["max_us"] = percentile(samples, 1.0);
    }
}
BENCHMARK(BM_SerialHostTurnaround)
    ->Iterations(2000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelvan::serial::bench
