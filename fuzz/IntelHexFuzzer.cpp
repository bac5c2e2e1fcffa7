// libFuzzer target for the Intel HEX reader. Each input is read whole and again in pieces of
// changing sizes, as a file is streamed; both must give the same outcome, image and reason,
// and every outcome must keep its promises (an image only when loaded, below the limit; a
// reason for every abandoned load).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

#include "image/ImageLoader.h"
#include "image/IntelHexReader.h"

namespace {

using namespace kelvan::image;

void require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "Intel HEX fuzzer: %s\n", what);
        std::abort();
    }
}

// The text in pieces of 1 to 61 characters, their sizes taken from the text itself.
LoadResult readInPieces(std::span<const std::uint8_t> text) {
    std::size_t offset = 0;
    std::size_t piece = 0;
    const TextSource source = [&](std::span<std::uint8_t> into, std::error_code&) {
        const std::size_t wanted = 1 + text[piece++ % text.size()] % 61;
        const std::size_t count = std::min({into.size(), text.size() - offset, wanted});
        std::copy_n(text.begin() + static_cast<std::ptrdiff_t>(offset), count, into.begin());
        offset += count;
        return count;
    };
    return readIntelHexStream(source, text.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> text(data, size);
    const LoadResult whole = readIntelHex(text);
    switch (whole.outcome) {
        case LoadOutcome::Loaded:
            require(whole.image.size() < ImageLengthLimit, "image at or above the limit");
            require(whole.reason.empty(), "reason given for a loaded image");
            break;
        case LoadOutcome::LengthWarning:
            require(whole.image.empty() && whole.reason.empty(), "length warning with content");
            break;
        case LoadOutcome::Abandoned:
            require(whole.image.empty(), "image kept from an abandoned load");
            require(whole.reason == "no end-of-file record" ||
                        std::string_view(whole.reason).starts_with("line "),
                    "abandoned without a reason");
            break;
        default:
            require(false, "outcome that reading text cannot give");
    }
    if (size != 0) {
        const LoadResult pieces = readInPieces(text);
        require(pieces.outcome == whole.outcome && pieces.image == whole.image &&
                    pieces.reason == whole.reason,
                "text read in pieces differs from the text read whole");
    }
    return 0;
}
