// The programmer unplugged and plugged in again behind a stable device link, with the real
// window on Qt's offscreen platform: the time from the unplug to the caption saying so, and from
// the replug to the chip list shown again (median and longest of 20 runs each). And the CPU time
// the retry loop of a session takes while its port is missing, over a minute
// (KELVAN_BENCH_RETRY_SECONDS changes the span).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QListWidget>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ErrorBoxRecorder.h"
#include "SettingsTestSupport.h"
#include "app/Application.h"
#include "devsim/Simulator.h"
#include "link/StandInPorts.h"
#include "session/ProgrammerSession.h"
#include "widgets/Prompter.h"

namespace kelvan {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const QString Disconnected = QStringLiteral("Программатор не подключен");

// Answers every question No; no box is expected.
class NoPrompter : public widgets::Prompter {
  public:
    Answer askYesNoCancel(QWidget*, const QString&) override { return Answer::No; }
    bool askYesNo(QWidget*, const QString&) override { return false; }
    std::optional<QString> askSaveFileName(QWidget*, const QString&) override { return {}; }
    void showWarning(QWidget*, const QString&) override {}
    void showError(QWidget*, const QString&) override {}
};

// Runs the event loop until `done` holds or `limit` passes, looking every millisecond; whether
// it held.
bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 30s) {
    if (done()) {
        return true;
    }
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (done()) {
            loop.quit();
        }
    });
    look.start(1);
    QTimer::singleShot(limit, &loop, &QEventLoop::quit);
    loop.exec();
    return done();
}

std::filesystem::path scratchLink() {
    static const std::filesystem::path folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelvan-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp");
        }
        return std::filesystem::path(pattern);
    }();
    return folder / "programmer";
}

// The simulator behind its link and the windows on that link, made once for both timings.
class Bench {
  public:
    Bench() : simulator_(devsim::SimulatorOptions{.linkPath = scratchLink().string()}) {
        simulator_.start();
        dialogs::test::plantSetting(QStringLiteral("ComPort"),
                                    QString::fromStdString(scratchLink().string()));
        windows_ = std::make_unique<app::Application>(prompter_);
        form().show();
    }
    ~Bench() {
        windows_.reset();
        simulator_.stop();
    }

    app::TForm1& form() { return windows_->form1(); }
    devsim::Simulator& simulator() { return simulator_; }
    // The title and the whole chip list are in.
    bool connected() {
        const devsim::Catalogue& catalogue = devsim::standardCatalogue();
        return form().windowTitle() == QString::fromStdString(catalogue.title) &&
               form().ListBox1->count() == static_cast<int>(catalogue.chips.size());
    }
    bool disconnected() { return form().windowTitle() == Disconnected; }
    bool boxShown() const { return !errorBoxes_.shown.isEmpty(); }

  private:
    dialogs::test::ErrorBoxRecorder errorBoxes_;
    NoPrompter prompter_;
    devsim::Simulator simulator_;
    std::unique_ptr<app::Application> windows_;
};

// Made by the first timing that needs it, destroyed before the application object.
std::unique_ptr<Bench> made;

Bench& bench() {
    if (!made) {
        made = std::make_unique<Bench>();
    }
    return *made;
}

bool plugged(devsim::Simulator& simulator, bool state) {
    return simulator.waitUntil([state](const devsim::Traffic& t) { return t.plugged == state; },
                               10s);
}

// One unplug (or replug) per iteration, timed from the request to what the window shows; the
// other half of the cycle is untimed.
void UnplugToCaption(benchmark::State& state) {
    Bench& b = bench();
    for (auto _ : state) {
        if (!runUntil([&] { return b.connected(); })) {
            state.SkipWithError("not connected");
            return;
        }
        const Clock::time_point start = Clock::now();
        b.simulator().unplug();
        const bool changed = runUntil([&] { return b.disconnected(); });
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!changed || b.boxShown()) {
            state.SkipWithError("the caption did not change, or a box came up");
            return;
        }
        b.simulator().replug();
    }
}

// The replug comes 0, 50, ... 950 ms after the window saw the unplug, in turn, so that the
// runs meet every point of the one-second retry cycle.
void ReplugToChipList(benchmark::State& state) {
    static int run = 0;
    Bench& b = bench();
    for (auto _ : state) {
        b.simulator().unplug();
        if (!plugged(b.simulator(), false) || !runUntil([&] { return b.disconnected(); })) {
            state.SkipWithError("not unplugged");
            return;
        }
        runUntil([] { return false; }, std::chrono::milliseconds(run++ % 20 * 50));
        const Clock::time_point start = Clock::now();
        b.simulator().replug();
        const bool back = runUntil([&] { return b.connected(); });
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!back || b.boxShown()) {
            state.SkipWithError("the chip list did not come back, or a box came up");
            return;
        }
    }
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A session retrying a missing port every second, nothing else in the process busy (it runs
// before the windows are made).
void RetryLoopCpu(benchmark::State& state) {
    const char* set = std::getenv("KELVAN_BENCH_RETRY_SECONDS");
    const int span = set != nullptr ? std::atoi(set) : 60;
    for (auto _ : state) {
        link::NullLinkView screen;
        session::ProgrammerSession session(screen);
        session.setReopening(true);
        session.configurePort({(scratchLink().parent_path() / "missing").string(), 56000, -1});
        static_cast<void>(session.openPort());
        const double cpuBefore = cpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(std::chrono::seconds(span), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
        if (!session.portDown()) {
            state.SkipWithError("the missing port opened");
            return;
        }
        const double cpu = cpuSeconds() - cpuBefore;
        state.counters["cpu_ms"] = cpu * 1000;
        state.counters["cpu_share_percent"] =
            cpu / (static_cast<double>(wall.elapsed()) / 1000) * 100;
    }
}

BENCHMARK(RetryLoopCpu)->Iterations(1)->Unit(benchmark::kSecond);
double longest(const std::vector<double>& times) {
    return *std::max_element(times.begin(), times.end());
}

BENCHMARK(UnplugToCaption)
    ->Iterations(1)
    ->Repetitions(20)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("max", longest)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(ReplugToChipList)
    ->Iterations(1)
    ->Repetitions(20)
    ->ReportAggregatesOnly(true)
    ->ComputeStatistics("max", longest)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kelvan

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    kelvan::dialogs::test::useTemporaryConfigHome();
    QApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("NORVELLA"));
    QCoreApplication::setApplicationName(QStringLiteral("KELVAN"));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    kelvan::made.reset();
    std::error_code ignored;  // a leftover in the temporary folder harms nothing
    std::filesystem::remove_all(kelvan::scratchLink().parent_path(), ignored);
    return 0;
}
