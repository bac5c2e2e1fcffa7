#include "operations/ChipSelection.h"

#include <gtest/gtest.h>

namespace kelvan::operations {
namespace {

using link::Bytes;

TEST(ChipSelection, ChipIndexIsTheLowByteOfTheSelection) {
    EXPECT_EQ(chipIndexByte(0), 0);
    EXPECT_EQ(chipIndexByte(7), 7);
    EXPECT_EQ(chipIndexByte(255), 255);
    EXPECT_EQ(chipIndexByte(256), 0);
    EXPECT_EQ(chipIndexByte(300), 44);
    EXPECT_EQ(chipIndexByte(-1), 255) << "no selection sends 255";
}

TEST(ChipSelection, ChoosingAChipAsksForEverythingChipSpecificInOrder) {
    const std::vector<Bytes> expected = {{249, 3}, {248}, {245}, {247}, {243}, {242}, {241}};
    EXPECT_EQ(chipChosenCommands(3), expected);
}

TEST(ChipSelection, ChoosingWithoutSelectionSelectsChip255) {
    const auto commands = chipChosenCommands(-1);
    ASSERT_EQ(commands.size(), 7u);
    EXPECT_EQ(commands.front(), (Bytes{249, 255}));
}

}  // namespace
}  // namespace kelvan::operations
