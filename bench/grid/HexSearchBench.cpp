// Go-to and find on the largest buffer a file can bring, 524,287 bytes: one search through the
// whole buffer for a pattern that is not in it (the longest a search takes), on varied bytes
// and on erased flash, whose FF bytes start a match at every address; and the grid showing and
// selecting an address at the other end of the buffer, repaint included.

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QGroupBox>
#include <random>
#include <string>
#include <vector>

#include "bufferview/HexGrid.h"
#include "bufferview/HexGridSearch.h"
#include "image/ImageLoader.h"
#include "image/ProgramBuffer.h"

namespace {

constexpr std::size_t LargestImage = kelvan::image::ImageLengthLimit - 1;

// Bytes from a fixed seed, so that every run searches the same buffer.
std::vector<std::uint8_t> variedBytes() {
    std::mt19937 generator(1251);
    std::vector<std::uint8_t> bytes(LargestImage);
    for (std::uint8_t& byte : bytes) {
        byte = static_cast<std::uint8_t>(generator());
    }
    return bytes;
}

std::vector<std::uint8_t> patternOf(const std::u16string& typed) {
    return kelvan::bufferview::ParseSearchPattern(typed).bytes;
}

// state.range(0): 0 for varied bytes, 1 for erased flash. The pattern is as typed in the box.
void FindAbsentPattern(benchmark::State& state, const std::u16string& typed) {
    const std::vector<std::uint8_t> data =
        state.range(0) == 0 ? variedBytes() : std::vector<std::uint8_t>(LargestImage, 0xFF);
    const std::vector<std::uint8_t> pattern = patternOf(typed);
    for (auto _ : state) {
        benchmark::DoNotOptimize(kelvan::bufferview::FindBytes(data, pattern, 0));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK_CAPTURE(FindAbsentPattern, hex_4_bytes, std::u16string(u"FF FF FF 00"))
    ->ArgName("erased")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(FindAbsentPattern, text_12_letters, std::u16string(u"Программатор"))
    ->ArgName("erased")
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond);

// The grid in its group box at a typical maximised size, holding the largest buffer: showing
// the last address after the first, and back, as go-to and a found match do.
void ShowAddressAcrossTheBuffer(benchmark::State& state) {
    QGroupBox box;
    kelvan::ProgramBuffer buffer;
    auto* grid = new kelvan::bufferview::HexGrid(buffer, &box);
    box.resize(700, 900);
    box.show();
    buffer.replace(variedBytes());
    grid->FitGridToBuffer();
    QApplication::processEvents();
    bool atEnd = false;
    for (auto _ : state) {
        atEnd = !atEnd;
        grid->showAddress(atEnd ? LargestImage - 1 : 0);
        QApplication::processEvents();  // the repaint of the page scrolled to
    }
}
BENCHMARK(ShowAddressAcrossTheBuffer)->Unit(benchmark::kMicrosecond);

}  // namespace
