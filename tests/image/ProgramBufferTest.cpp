#include "image/ProgramBuffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace kelvan {
namespace {

TEST(ProgramBuffer, ResizeKeepsLowBytesAndZeroFillsGrowth) {
    ProgramBuffer buffer;
    buffer.resize(4);
    buffer.set(1, 0xAB);
    buffer.set(3, 0xCD);
    buffer.resize(2);
    buffer.resize(5);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.bytes().begin(), buffer.bytes().end()),
              (std::vector<std::uint8_t>{0, 0xAB, 0, 0, 0}));
}

TEST(ProgramBuffer, WriteAtAcceptsOnlyRangesWhollyInside) {
    ProgramBuffer buffer;
    buffer.resize(8);
    const std::vector<std::uint8_t> four{1, 2, 3, 4};
    EXPECT_TRUE(buffer.writeAt(4, four));  // ends exactly at the end
    EXPECT_EQ(buffer.at(7), 4);
    EXPECT_FALSE(buffer.writeAt(5, four));            // runs one past the end
    EXPECT_FALSE(buffer.writeAt(0xFFFFFFFFu, four));  // address beyond the buffer
    EXPECT_EQ(buffer.at(5), 2);                       // untouched by the refused writes
    EXPECT_TRUE(buffer.writeAt(8, {}));               // nothing to copy, nothing outside
}

TEST(ProgramBuffer, ViewIsClippedAtTheEnd) {
    ProgramBuffer buffer;
    buffer.resize(10);
    EXPECT_EQ(buffer.view(0, 224).size(), 10u);
    EXPECT_EQ(buffer.view(8, 4).size(), 2u);
    EXPECT_TRUE(buffer.view(10, 4).empty());
    EXPECT_TRUE(buffer.view(50, 4).empty());
}

}  // namespace
}  // namespace kelvan
