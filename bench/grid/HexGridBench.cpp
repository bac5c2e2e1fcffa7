// The hex grid with the largest buffer a file can bring, 524,287 bytes (32,768 data rows):
// how long fitting the grid to it takes, and what one scroll step costs, repaint included, at
// the top, in the middle and at the end. A 4 KiB buffer gives the step's cost where the buffer
// is small, to show that the step does not grow with the buffer.

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QScrollBar>

#include "bufferview/HexGrid.h"
#include "image/ImageLoader.h"
#include "image/ProgramBuffer.h"

namespace {

constexpr std::size_t LargestImage = kelvan::image::ImageLengthLimit - 1;

// A grid in its group box at a typical maximised size, shown, holding `length` bytes.
class ShownGrid {
  public:
    explicit ShownGrid(std::size_t length)
        : grid_(new kelvan::bufferview::HexGrid(buffer_, &box_)) {
        box_.resize(700, 900);
        box_.show();
        buffer_.resize(length);
        for (std::size_t i = 0; i < length; ++i) {
            buffer_.set(i, static_cast<std::uint8_t>(i * 7));
        }
        grid_->FitGridToBuffer();
        QApplication::processEvents();
    }

    kelvan::ProgramBuffer& buffer() { return buffer_; }
    kelvan::bufferview::HexGrid& grid() { return *grid_; }

    // Scrolls to `row` as the scroll bar does, and lets the view paint what the scroll exposed:
    // the page moves by copying, so only the row that comes into view is formatted.
    void scrollTo(int row) {
        grid_->verticalScrollBar()->setValue(row);
        QApplication::processEvents();
    }

    // Paints the whole visible page, cells and row labels: the most a refresh ever paints.
    void repaintPage() {
        grid_->viewport()->repaint();
        grid_->verticalHeader()->viewport()->repaint();
    }

  private:
    QGroupBox box_;
    kelvan::ProgramBuffer buffer_;
    kelvan::bufferview::HexGrid* grid_;
};

void FitGridToBuffer(benchmark::State& state) {
    ShownGrid shown(0);
    for (auto _ : state) {
        state.PauseTiming();
        shown.buffer().clear();
        shown.grid().setRowCount(2);
        shown.buffer().resize(LargestImage);
        state.ResumeTiming();
        shown.grid().FitGridToBuffer();
    }
    state.counters["rows"] = shown.grid().rowCount();
}
BENCHMARK(FitGridToBuffer)->Unit(benchmark::kMillisecond);

// state.range(0): buffer length; state.range(1): where, in per cent of the scroll range.
void ScrollStep(benchmark::State& state) {
    ShownGrid shown(static_cast<std::size_t>(state.range(0)));
    QScrollBar* bar = shown.grid().verticalScrollBar();
    const int start =
        static_cast<int>(static_cast<long long>(bar->maximum()) * state.range(1) / 100);
    const int first = std::max(0, std::min(start, bar->maximum() - 1));
    int step = 0;
    for (auto _ : state) {
        shown.scrollTo(first + (step++ & 1));
    }
    state.counters["row"] = first;
}

void RepaintPage(benchmark::State& state) {
    ShownGrid shown(static_cast<std::size_t>(state.range(0)));
    QScrollBar* bar = shown.grid().verticalScrollBar();
    bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * state.range(1) / 100));
    for (auto _ : state) {
        shown.repaintPage();
    }
    state.counters["rows"] =
        shown.grid().verticalHeader()->visualIndexAt(shown.grid().viewport()->height() - 1) -
        shown.grid().verticalHeader()->visualIndexAt(0) + 1;
}

BENCHMARK(ScrollStep)
    ->ArgNames({"bytes", "percent"})
    ->Args({4096, 0})
    ->Args({4096, 50})
    ->Args({4096, 100})
    ->Args({LargestImage, 0})
    ->Args({LargestImage, 50})
    ->Args({LargestImage, 100})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(RepaintPage)
    ->ArgNames({"bytes", "percent"})
    ->Args({4096, 50})
    ->Args({LargestImage, 50})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
