// Loading Intel HEX in-process: the reader over text in memory, and the working-file load of
// the same text from a file (in the page cache after the first round). Reports bytes of HEX
// text per second, for a 64 KiB image and for the largest image the buffer takes.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "HexText.h"
#include "image/ImageLoader.h"

namespace kelvan::image::bench {
namespace {

std::string hexTextOfLength(std::size_t length) {
    std::vector<std::uint8_t> image(length);
    for (std::size_t i = 0; i < image.size(); ++i) {
        image[i] = static_cast<std::uint8_t>(i * 131 + (i >> 8));
    }
    return intelHexText(image);
}

void BM_ReadIntelHexInMemory(benchmark::State& state) {
    const std::string text = hexTextOfLength(static_cast<std::size_t>(state.range(0)));
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
    for (auto _ : state) {
        LoadResult result = readIntelHex(bytes);
        if (result.outcome != LoadOutcome::Loaded) {
            state.SkipWithError("the text did not load");
            return;
        }
        benchmark::DoNotOptimize(result.image.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ReadIntelHexInMemory)->Arg(64 * 1024)->Arg(ImageLengthLimit - 1);

void BM_LoadWorkingFileHex(benchmark::State& state) {
    const std::string text = hexTextOfLength(static_cast<std::size_t>(state.range(0)));
    const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                       ("kelvan-bench-" + std::to_string(getpid()) + ".hex");
    if (!std::ofstream(file, std::ios::binary).write(text.data(), std::ssize(text))) {
        state.SkipWithError("cannot write the HEX file");
        return;
    }
    for (auto _ : state) {
        LoadResult result = loadWorkingFile(file, {});
        if (result.outcome != LoadOutcome::Loaded) {
            state.SkipWithError("the file did not load");
            break;
        }
        benchmark::DoNotOptimize(result.image.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    std::error_code ignored;  // a file left in the temporary folder harms nothing
    std::filesystem::remove(file, ignored);
}
BENCHMARK(BM_LoadWorkingFileHex)->Arg(64 * 1024)->Arg(ImageLengthLimit - 1);

}  // namespace
}  // namespace kelvan::image::bench
