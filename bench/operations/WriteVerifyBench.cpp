// Writing and verifying a 64 KiB image through the whole host stack (the operation sequence,
// the programmer link, TComm32 and its threads) against the simulated programmer on a
// pseudo-terminal. Paced as a line in both directions, the time is set against the line's own
// bound: every byte of every frame in both directions at 10 bits a byte, plus the 1 ms of quiet
// after each of the programmer's bursts that the receive side waits before it delivers one.
// Unpaced, it shows what the host itself can move.

#include <benchmark/benchmark.h>

#include <chrono>
#include <future>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "../LineBound.h"
#include "../serial/SerialBenchSupport.h"
#include "image/ProgramBuffer.h"
#include "devsim/Catalogue.h"
#include "devsim/Simulator.h"
#include "link/ProgrammerLink.h"
#include "link/StandInPorts.h"
#include "operations/ChipSelection.h"
#include "operations/CommandSequences.h"
#include "operations/ProgrammerLinkAccess.h"
#include "session/CommSink.h"

namespace kelvan::operations::bench {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::size_t ImageSize = 64 * 1024;
constexpr int Chip = 2;  // Кристалл-М64: 64 KiB of program memory, every command offered

// The status bar and the rest of the window, for the link and the sequence alike.
class Screen : public link::NullLinkView, public OperationHost {
  public:
    void setStatusText(std::string_view utf8) override { shownStatus = utf8; }
    void setStatusErrorColour() override { errorColour = true; }
    void resetStatusColour() override { errorColour = false; }
    link::StatusDisplay& status() override { return *this; }
    void clearChipList() override { chips = 0; }
    void appendChip(const link::DeviceText&) override { ++chips; }
    void fitGridToBuffer() override {}
    void showBitDialog(link::BitKind, bool) override {}
    void showSizeWarning(std::string_view) override { warned = true; }
    image::LoadOutcome reloadWorkingFile() override { return image::LoadOutcome::NoFile; }

    std::string shownStatus;
    bool errorColour = false;
    bool warned = false;
    int chips = 0;
};

// Counts the commands sent again without an answer: what a ready that crosses a command on
// the line costs.
class ResendCounter : public link::LinkObserver {
  public:
    void frameReceived(std::span<const std::uint8_t>, link::ReceivedFrame, link::LinkTime) override {}
    void frameSent(std::span<const std::uint8_t>, bool resend, link::LinkTime) override {
        resends += resend ? 1 : 0;
    }
    void retryLimitReached(std::string_view, link::LinkTime) override {}
    std::size_t resends = 0;  // main thread only
};

// Every option but the reload: the image is put into the buffer directly.
class EveryOptionButReload : public OptionSource {
  public:
    bool isSet(Option option) const override { return option != Option::ReloadBeforeProgramWrite; }
};

// The program's stack without its windows, the loop's thread playing the main thread.
class Rig {
  public:
    Rig(unsigned baud, std::chrono::milliseconds readyInterval)
        : simulator_(devsim::SimulatorOptions{.baud = baud, .readyInterval = readyInterval}) {
        link_.setObserver(&resends_);
    }
    ~Rig() { loop_.stop(); }

    // Opens the port, runs the start-up conversation and chooses the chip. False when that
    // does not finish within seconds.
    bool connect() {
        simulator_.start();
        comm_.setCommPort(simulator_.slavePath());
        comm_.setBaudRate(115200);
        comm_.OnReceiveData = [this](const std::uint8_t* bytes, std::uint16_t length,
                                     serial::ReceiveTime receivedAt) {
            link_.receiveData(std::span(bytes, length), receivedAt);
        };
        if (!comm_.OpenPort()) {
            return false;
        }
        loop_.start(comm_, [this] { noteCompletion(); });
        loop_.onMainThread([this] {
            link_.enqueue(link::commands::endOfSequence());
            link_.enqueue(link::commands::askTitle());
        });
        if (!waitOnMainThread([this] { return screen_.chips == 3 && link_.queueLength() == 0; })) {
            return false;
        }
        loop_.onMainThread([this] {
            for (const link::Bytes& payload : chipChosenCommands(Chip)) {
                link_.enqueue(payload);
            }
        });
        simulator_.offerReadyNow();
        return waitOnMainThread(
            [this] { return link_.programMemorySize() == ImageSize && link_.queueLength() == 0; });
    }

    struct Run {
        std::chrono::duration<double> elapsed{};
        kelvan::bench::LineUse line;
        std::size_t resends = 0;
        bool intact = false;
    };

    // "Записать память программ" with image in the buffer, until the queue is empty.
    Run writeAndVerify(const link::Bytes& image) {
        const devsim::Traffic before = simulator_.traffic();
        const std::size_t resendsBefore = loop_.onMainThread([this] { return resends_.resends; });
        std::promise<Clock::time_point> finished;
        done_ = &finished;
        const Clock::time_point started = loop_.onMainThread([&] {
            buffer_.replace(image);
            const int line =
                link_.lineOfCommand(link::byteOf(link::CommandCode::WriteProgramMemory))
                    .value_or(-1);
            const Clock::time_point now = Clock::now();
            sequences_.chooseCommand(Chip, line);
            running_ = true;
            return now;
        });
        // The programmer would offer the next ready within its idle interval; the run is about
        // the line, not that wait.
        simulator_.offerReadyNow();
        Run run;
        auto end = finished.get_future();
        if (end.wait_for(120s) != std::future_status::ready) {
            return run;
        }
        run.elapsed = end.get() - started;
        run.line = kelvan::bench::lineUseBetween(before, simulator_.traffic());
        run.resends = loop_.onMainThread([this] { return resends_.resends; }) - resendsBefore;
        const bool chipHoldsImage = simulator_.withDevice(
            [&](devsim::DeviceModel& device) { return device.chip(Chip).programMemory == image; });
        run.intact = loop_.onMainThread([this] {
            return screen_.shownStatus == AllCorrectText && !screen_.errorColour && !screen_.warned;
        }) && chipHoldsImage;
        return run;
    }

  private:
    // On the main thread after each message: the operation is over when the queue is empty.
    void noteCompletion() {
        if (running_ && link_.queueLength() == 0) {
            running_ = false;
            done_->set_value(Clock::now());
        }
    }

    template <typename Condition>
    bool waitOnMainThread(Condition condition) {
        const auto deadline = Clock::now() + 20s;
        while (Clock::now() < deadline) {
            if (loop_.onMainThread(condition)) {
                return true;
            }
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }

    devsim::Simulator simulator_;
    serial::bench::MainThreadLoop loop_;
    serial::TComm32 comm_{loop_};
    session::CommSink sink_{comm_};
    link::CountingWatchdog watchdog_;
    Screen screen_;
    ResendCounter resends_;
    ProgramBuffer buffer_;
    link::ProgrammerLink link_{sink_, watchdog_, screen_, buffer_};
    ProgrammerLinkAccess access_{link_};
    EveryOptionButReload options_;
    CommandSequences sequences_{access_, options_, buffer_, screen_};
    bool running_ = false;                             // main thread only
    std::promise<Clock::time_point>* done_ = nullptr;  // set before running_
};

link::Bytes randomImage(unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    link::Bytes image(ImageSize);
    for (std::uint8_t& value : image) {
        value = static_cast<std::uint8_t>(byte(random));
    }
    return image;
}

void writeAndVerify(benchmark::State& state, unsigned baud,
                    std::chrono::milliseconds readyInterval = 500ms) {
    Rig rig(baud, readyInterval);
    if (!rig.connect()) {
        state.SkipWithError("the start-up conversation did not finish");
        return;
    }
    double elapsed = 0;
    double bound = 0;
    std::size_t roundTrips = 0;
    std::size_t resends = 0;
    unsigned seed = 1;
    for (auto _ : state) {
        const Rig::Run run = rig.writeAndVerify(randomImage(seed++));
        if (!run.intact) {
            state.SkipWithError("the chip does not hold the image, or the status is not right");
            return;
        }
        state.SetIterationTime(run.elapsed.count());
        elapsed += run.elapsed.count();
        roundTrips += run.line.roundTrips;
        resends += run.resends;
        if (baud > 0) {
            bound += kelvan::bench::lineBoundSeconds(run.line, baud);
        }
    }
    // Written and verified: each byte of the image crosses the line twice.
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * ImageSize));
    state.counters["round_trips"] =
        static_cast<double>(roundTrips) / static_cast<double>(state.iterations());
    state.counters["resends"] =
        static_cast<double>(resends) / static_cast<double>(state.iterations());
    if (baud > 0) {
        state.counters["bound_s"] = bound / static_cast<double>(state.iterations());
        state.counters["bound_share"] = bound / elapsed;  // 1.0: as fast as the line allows
    }
}

void BM_WriteAndVerify64KiBPaced115200(benchmark::State& state) {
    writeAndVerify(state, 115200);
}
BENCHMARK(BM_WriteAndVerify64KiBPaced115200)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// The programmer offers a ready after 25 ms of quiet, little more than the 21 ms a chunk takes
// to cross the line: its readies often cross the host's commands.
void BM_WriteAndVerify64KiBPaced115200QuickReadies(benchmark::State& state) {
    writeAndVerify(state, 115200, 25ms);
}
BENCHMARK(BM_WriteAndVerify64KiBPaced115200QuickReadies)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

void BM_WriteAndVerify64KiBUnpaced(benchmark::State& state) {
    writeAndVerify(state, 0);
}
BENCHMARK(BM_WriteAndVerify64KiBUnpaced)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvan::operations::bench
