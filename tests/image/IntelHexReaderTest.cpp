#include "image/IntelHexReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "image/ImageLoader.h"

// The largest single allocation since the last reset, to prove that an image beyond the limit
// is refused before any memory is taken for it.
namespace {
std::size_t largestAllocation = 0;
}  // namespace

#if defined(__SANITIZE_THREAD__)
#define KELVAN_TEST_UNDER_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KELVAN_TEST_UNDER_TSAN 1
#endif
#endif
#ifndef KELVAN_TEST_UNDER_TSAN
#define KELVAN_TEST_UNDER_TSAN 0
#endif

#if !KELVAN_TEST_UNDER_TSAN

void* operator new(std::size_t size) {
    largestAllocation = std::max(largestAllocation, size);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}
// Kept out of line: inlined next to a new-expression, free() looks mismatched to the compiler.
[[gnu::noinline]] void operator delete(void* memory) noexcept {
    std::free(memory);
}
[[gnu::noinline]] void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
#endif

namespace kelvan::image {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

// count bytes of value, then tail.
Bytes filled(std::size_t count, std::uint8_t value, const Bytes& tail = {}) {
    Bytes bytes(count, value);
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    return bytes;
}

struct HexCase {
    const char* name;
    std::string text;
    LoadOutcome outcome;
    Bytes image;         // Loaded
    std::string reason;  // Abandoned
};

void PrintTo(const HexCase& testCase, std::ostream* out) {
    *out << testCase.name;
}

const HexCase HexCases[] = {
    {"FourBytesOnTwoLines",
     ":0400000001020304F2\r\n:00000001FF\r\n",
     LoadOutcome::Loaded,
     {1, 2, 3, 4},
     ""},
    {"ChecksumsAreNotChecked",
     ":040000000102030400\n:0000000100\n",
     LoadOutcome::Loaded,
     {1, 2, 3, 4},
     ""},
    {"LowerCaseDigits",
     ":04000000aabbccdd00\n:00000001ff\n",
     LoadOutcome::Loaded,
     {0xAA, 0xBB, 0xCC, 0xDD},
     ""},
    {"GapBelowTheDataIsFF", ":0401000001020304EE\n:00000001FF\n", LoadOutcome::Loaded,
     filled(256, 0xFF, {1, 2, 3, 4}), ""},
    {"AnyOrderAndLaterRecordsWin",
     ":0100040055A6\n:0400000001020304F2\n:01000200AA53\n:00000001FF\n",
     LoadOutcome::Loaded,
     {1, 2, 0xAA, 4, 0x55},
     ""},
    {"LinearBaseZeroChangesNothing",
     ":020000040000FA\n:0400000001020304F2\n:00000001FF\n",
     LoadOutcome::Loaded,
     {1, 2, 3, 4},
     ""},
    {"LinearBaseMovesDataUp", ":020000040001F9\n:020002001122C9\n:00000001FF\n",
     LoadOutcome::Loaded, filled(0x10002, 0xFF, {0x11, 0x22}), ""},
    {"SpaceInData",
     ":0200020011 22\n:00000001FF\n",
     LoadOutcome::Abandoned,
     {},
     "line 1: \" \" is not a hexadecimal digit"},
    {"SegmentBaseIsSixteenTimes", ":020000020001FB\n:0200000011221B\n:00000001FF\n",
     LoadOutcome::Loaded, filled(16, 0xFF, {0x11, 0x22}), ""},
    {"SegmentThenLinearBase",
     ":020000021000EC\n:020000040000FA\n:0100000077\n:00000001FF\n",
     LoadOutcome::Loaded,
     {0x77},
     ""},
    {"OtherTypesAndTheirDataAreSkipped",
     ":04000003zzzz!!zz\n:04000005\n:0100000099\n:00000001FF",
     LoadOutcome::Loaded,
     {0x99},
     ""},
    {"TextAroundRecordsIsPassedOver",
     "; made by hand\n  :0100000042BD trailing words\n\n:00000001FF",
     LoadOutcome::Loaded,
     {0x42},
     ""},
    {"NothingAfterTheEndRecordIsRead",
     ":0100000042BD\n:00000001FF\n:GG\n:01000000",
     LoadOutcome::Loaded,
     {0x42},
     ""},
    {"EndRecordWithoutChecksumAtTheVeryEnd", ":00000001", LoadOutcome::Loaded, {}, ""},
    {"OnlyAnEndRecordGivesAnEmptyImage", ":00000001FF\n", LoadOutcome::Loaded, {}, ""},
    {"EmptyDataRecordWritesNothing", ":00001000F0\n:00000001FF\n", LoadOutcome::Loaded, {}, ""},
    {"NoEndRecord", ":0400000001020304F2\n", LoadOutcome::Abandoned, {}, "no end-of-file record"},
    {"EmptyText", "", LoadOutcome::Abandoned, {}, "no end-of-file record"},
    {"TextEndsInsideARecord",
     ":0400000001020304F2\n:040000",
     LoadOutcome::Abandoned,
     {},
     "no end-of-file record"},
    {"LetterBeyondFInData",
     ":00000005FF\n:04000000010203G4F2\n:00000001FF\n",
     LoadOutcome::Abandoned,
     {},
     "line 2: \"G\" is not a hexadecimal digit"},
    {"LineEndInsideTheHeader",
     ":0400\r\n:00000001FF\n",
     LoadOutcome::Abandoned,
     {},
     "line 1: byte 0x0D is not a hexadecimal digit"},
    {"NonDigitInACutShortRecord",
     "\n\n:040000000x",
     LoadOutcome::Abandoned,
     {},
     "line 3: \"x\" is not a hexadecimal digit"},
    {"ExtendedAddressOfOneByte",
     ":0100000400FB\n:00000001FF\n",
     LoadOutcome::Abandoned,
     {},
     "line 1: an extended address record must hold 2 bytes, not 1"},
    {"NonDigitInAnExtendedAddress",
     ":020000040O01F9\n:00000001FF\n",
     LoadOutcome::Abandoned,
     {},
     "line 1: \"O\" is not a hexadecimal digit"},
    {"NoWrapAtSixtyFourKiB", ":02FFFF00AABB00\n:00000001FF\n", LoadOutcome::Loaded,
     filled(0xFFFF, 0xFF, {0xAA, 0xBB}), ""},
    {"HighestAddressJustBelowTheLimit", ":020000040007F3\n:01FFFE00AB00\n:00000001FF\n",
     LoadOutcome::Loaded, filled(0x7FFFE, 0xFF, {0xAB}), ""},
    {"ImageReachingTheLimit",
     ":020000040007F3\n:01FFFF00AB00\n:00000001FF\n",
     LoadOutcome::LengthWarning,
     {},
     ""},
    {"FarLinearAddress",
     ":020000040800F2\n:0100000011EE\n:00000001FF\n",
     LoadOutcome::LengthWarning,
     {},
     ""},
    {"TooLongButNoEndRecord",
     ":020000040800F2\n:0100000011EE\n",
     LoadOutcome::Abandoned,
     {},
     "no end-of-file record"},
    {"TooLongThenANonDigit",
     ":020000040800F2\n:01000000X1EE\n:00000001FF\n",
     LoadOutcome::Abandoned,
     {},
     "line 2: \"X\" is not a hexadecimal digit"},
};

class IntelHexText : public testing::TestWithParam<HexCase> {};

void expectResult(const LoadResult& result, const HexCase& expected) {
    EXPECT_EQ(result.outcome, expected.outcome);
    EXPECT_EQ(result.image, expected.image);
    EXPECT_EQ(result.reason, expected.reason);
}

TEST_P(IntelHexText, ReadsWhole) {
    expectResult(readIntelHex(bytesOf(GetParam().text)), GetParam());
}

// The same text delivered three characters at a time, so that every record is cut somewhere.
TEST_P(IntelHexText, ReadsInPieces) {
    const Bytes text = bytesOf(GetParam().text);
    std::size_t offset = 0;
    const TextSource source = [&](std::span<std::uint8_t> into, std::error_code&) {
        const std::size_t count = std::min({into.size(), text.size() - offset, std::size_t{3}});
        std::copy_n(text.begin() + static_cast<std::ptrdiff_t>(offset), count, into.begin());
        offset += count;
        return count;
    };
    expectResult(readIntelHexStream(source, text.size()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(Cases, IntelHexText, testing::ValuesIn(HexCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(IntelHexReader, FarAddressIsRefusedWithoutAllocatingIt) {
#if KELVAN_TEST_UNDER_TSAN
    GTEST_SKIP() << "the thread sanitizer's runtime owns operator new, which cannot be replaced";
#endif
    const Bytes text = bytesOf(":020000040800F2\n:0100000011EE\n:00000001FF\n");
    largestAllocation = 0;
    EXPECT_EQ(readIntelHex(text).outcome, LoadOutcome::LengthWarning);
    EXPECT_LT(largestAllocation, ImageLengthLimit);
}

TEST(IntelHexReader, ReadErrorIsReportedWithTheSystemsReason) {
    const TextSource failing = [](std::span<std::uint8_t>, std::error_code& error) {
        error = std::make_error_code(std::errc::io_error);
        return std::size_t{0};
    };
    const LoadResult result = readIntelHexStream(failing, 0);
    EXPECT_EQ(result.outcome, LoadOutcome::OpenFailed);
    EXPECT_EQ(result.reason, std::make_error_code(std::errc::io_error).message());
}

}  // namespace
}  // namespace kelvan::image
