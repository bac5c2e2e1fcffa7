// Sustained transfer through TComm32 over a pseudo-terminal: 64 KiB in 237-byte frames, each
// direction, checked intact. Reports bytes per second.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "SerialBenchSupport.h"

namespace kelvan::serial::bench {
namespace {

constexpr std::size_t TransferSize = 64 * 1024;
constexpr std::size_t FrameSize = 237;

std::vector<std::uint8_t> transferPattern() {
    std::vector<std::uint8_t> bytes(TransferSize);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 256);
    }
    return bytes;
}

// The host sends: SendData per frame, the far side reads everything back.
void BM_SerialTransmit64KiB(benchmark::State& state) {
    const auto data = transferPattern();
    devsim::PseudoTerminal pty;
    MainThreadLoop loop;
    TComm32 comm(loop);
    if (!openOnPty(comm, pty, state)) {
        return;
    }
    std::vector<std::uint8_t> received(TransferSize);
    for (auto _ : state) {
        for (std::size_t offset = 0; offset < data.size(); offset += FrameSize) {
            const std::size_t count = std::min(FrameSize, data.size() - offset);
            if (!comm.SendData(std::span(data.data() + offset, count))) {
                state.SkipWithError("SendData refused a frame");
                return;
            }
        }
        if (pty.read(received, LineTimeout) != received.size() || received != data) {
            state.SkipWithError("the transfer did not arrive intact");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TransferSize));
}
BENCHMARK(BM_SerialTransmit64KiB)->Unit(benchmark::kMillisecond)->UseRealTime();

// The far side sends: 237-byte writes back to back, the host's main thread collects the
// blocks that OnReceiveData hands it.
void BM_SerialReceive64KiB(benchmark::State& state) {
    const auto data = transferPattern();
    devsim::PseudoTerminal pty;
    MainThreadLoop loop;
    TComm32 comm(loop);
    if (!openOnPty(comm, pty, state)) {
        return;
    }
    std::vector<std::uint8_t> received;
    received.reserve(TransferSize);
    std::mutex mutex;
    std::condition_variable complete;
    comm.OnReceiveData = [&](const std::uint8_t* bytes, std::uint16_t length, ReceiveTime) {
        std::lock_guard lock(mutex);
        received.insert(received.end(), bytes, bytes + length);
        if (received.size() >= TransferSize) {
            complete.notify_one();
        }
    };
    loop.start(comm);
    for (auto _ : state) {
        for (std::size_t offset = 0; offset < data.size(); offset += FrameSize) {
            pty.writeAll(std::span(data.data() + offset, std::min(FrameSize, data.size() - offset)),
                         LineTimeout);
        }
        std::unique_lock lock(mutex);
        complete.wait(lock, [&] { return received.size() >= TransferSize; });
        const bool intact = received == data;
        received.clear();
        if (!intact) {
            state.SkipWithError("the transfer did not arrive intact");
            break;
        }
    }
    loop.stop();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * TransferSize));
}
BENCHMARK(BM_SerialReceive64KiB)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace kelvan::serial::bench
