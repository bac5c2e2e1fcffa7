#include "devsim/DeviceModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "devsim/Cp1251.h"

namespace kelvan::devsim {
namespace {

const Catalogue& catalogue = standardCatalogue();

Bytes text(std::string_view utf8) {
    const std::string encoded = utf8ToCp1251(utf8);
    Bytes bytes(encoded.size() + 1);
    bytes[0] = static_cast<std::uint8_t>(encoded.size());
    std::copy(encoded.begin(), encoded.end(), bytes.begin() + 1);
    return bytes;
}

Bytes concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

Bytes le32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

Bytes addressed(std::uint8_t code, std::uint32_t address, std::uint8_t count,
                const Bytes& data = {}) {
    return concat(concat({code}, le32(address)), concat({count}, data));
}

class DeviceModelTest : public ::testing::Test {
  protected:
    Bytes ask(const Bytes& command) { return device.handle(command); }
    void select(std::uint8_t index) { ASSERT_EQ(ask({249, index}), Bytes{249}); }

    DeviceModel device;
};

TEST_F(DeviceModelTest, DescribesItselfForTheStartUpConversation) {
    EXPECT_EQ(ask({254}), concat({254}, text(catalogue.title)));
    EXPECT_EQ(ask({253}), (Bytes{253, static_cast<std::uint8_t>(catalogue.aboutLines.size())}));
    for (std::uint8_t i = 0; i < catalogue.aboutLines.size(); ++i) {
        EXPECT_EQ(ask({252, i}), concat({252, i}, text(catalogue.aboutLines[i])));
    }
    EXPECT_EQ(ask({252, 200}), (Bytes{252, 200, 0}));
    EXPECT_EQ(ask({251}), (Bytes{251, 3}));
    for (std::uint8_t i = 0; i < 3; ++i) {
        EXPECT_EQ(ask({250, i}), concat({250}, text(catalogue.chips[i].name)));
    }
    EXPECT_EQ(ask({250, 3}), (Bytes{250, 0}));
    EXPECT_EQ(ask({255}), Bytes{255});
}

TEST_F(DeviceModelTest, CatalogueOffersDistinctChipsOneOfThemLarge) {
    ASSERT_GE(catalogue.chips.size(), 3u);
    const auto large =
        std::find_if(catalogue.chips.begin(), catalogue.chips.end(),
                     [](const auto& chip) { return chip.programMemorySize >= 65536; });
    ASSERT_NE(large, catalogue.chips.end());
    const std::uint32_t full = commandMaskOf({0, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15, 20});
    EXPECT_EQ(large->commandMask & full, full);
    for (std::size_t i = 0; i < catalogue.chips.size(); ++i) {
        for (std::size_t k = i + 1; k < catalogue.chips.size(); ++k) {
            EXPECT_NE(catalogue.chips[i].commandMask, catalogue.chips[k].commandMask);
            EXPECT_NE(catalogue.chips[i].signature, catalogue.chips[k].signature);
        }
    }
}

TEST_F(DeviceModelTest, ReportsTheSelectedChipsSizesBitsAndCommands) {
    select(2);
    const ChipDescription& chip = catalogue.chips[2];
    EXPECT_EQ(ask({248}), concat({248}, le32(chip.commandMask)));
    EXPECT_EQ(ask({243}), concat({243}, le32(chip.programMemorySize)));
    EXPECT_EQ(ask({242}), concat({242}, le32(chip.eepromSize)));
    EXPECT_EQ(ask({241}), concat({241}, le32(chip.ramSize)));
    EXPECT_EQ(ask({245}), (Bytes{245, static_cast<std::uint8_t>(chip.lockBits.size())}));
    EXPECT_EQ(ask({247}), (Bytes{247, static_cast<std::uint8_t>(chip.fuseBits.size())}));
    EXPECT_EQ(ask({244, 1}), concat({244, 1}, text(chip.lockBits[1].caption)));
    EXPECT_EQ(ask({246, 0}), concat({246, 0}, text(chip.fuseBits[0].caption)));
    EXPECT_EQ(ask({246, 99}), (Bytes{246, 99, 0}));
    EXPECT_EQ(ask({0}), concat(concat({0, 3}, chip.signature), {1}));
    EXPECT_EQ(ask({20}), concat({20, 4}, chip.calibration));
    EXPECT_EQ(device.selectedChip(), 2u);

    select(0);  // selecting another chip switches every answer
    EXPECT_EQ(ask({243}), concat({243}, le32(catalogue.chips[0].programMemorySize)));
}

TEST_F(DeviceModelTest, WithoutAChipEveryChipRequestIsEmpty) {
    select(1);
    select(255);  // past the list: no chip at all
    EXPECT_EQ(device.selectedChip(), std::nullopt);
    EXPECT_EQ(ask({0}), (Bytes{0, 0, 0}));
    EXPECT_EQ(ask({3}), (Bytes{3, 0}));
    EXPECT_EQ(ask({5}), (Bytes{5, 0}));
    EXPECT_EQ(ask({20}), (Bytes{20, 0}));
    EXPECT_EQ(ask({248}), (Bytes{248, 0, 0, 0, 0}));
    EXPECT_EQ(ask({243}), (Bytes{243, 0, 0, 0, 0}));
    EXPECT_EQ(ask({245}), (Bytes{245, 0}));
    EXPECT_EQ(ask({244, 0}), (Bytes{244, 0, 0}));
    EXPECT_EQ(ask(addressed(9, 0, 16)), addressed(9, 0, 0));
    EXPECT_EQ(ask(addressed(11, 0, 1, {0xFF})), concat(addressed(11, 0, 1), {0}));
    // Changes are refused too: chip 1 keeps its memory.
    const Bytes before = device.chip(1).programMemory;
    ask({7});
    ask(addressed(10, 0, 2, {1, 2}));
    EXPECT_EQ(device.chip(1).programMemory, before);
}

TEST_F(DeviceModelTest, CommandsTheChipDoesNotOfferAreAnsweredEmpty) {
    select(0);  // no EEPROM and no EEPROM commands
    EXPECT_EQ(ask(addressed(13, 0, 8)), addressed(13, 0, 0));
    select(1);  // has calibration bytes but does not offer reading them
    EXPECT_EQ(ask({20}), (Bytes{20, 0}));
}

TEST_F(DeviceModelTest, SignatureVerdictFollowsTheWrongSignatureSetting) {
    select(0);
    EXPECT_EQ(ask({0}).back(), 1);
    device.setWrongSignature(true);
    const Bytes reply = ask({0});
    EXPECT_EQ(reply.size(), 2 + catalogue.chips[0].signature.size() + 1);
    EXPECT_EQ(reply.back(), 0);
}

TEST_F(DeviceModelTest, FuseAndLockBitsChangeAndEraseReleasesTheLocks) {
    select(1);
    EXPECT_EQ(ask({3}), (Bytes{3, 4, 1, 1, 0, 0}));
    EXPECT_EQ(ask({4, 0, 0}), Bytes{4});
    EXPECT_EQ(ask({4, 3, 1}), Bytes{4});
    EXPECT_EQ(ask({4, 9, 1}), Bytes{4});  // no such bit: ignored
    EXPECT_EQ(ask({3}), (Bytes{3, 4, 0, 1, 0, 1}));

    EXPECT_EQ(ask({5}), (Bytes{5, 2, 0, 0}));
    EXPECT_EQ(ask({6, 1}), Bytes{6});
    EXPECT_EQ(ask({5}), (Bytes{5, 2, 0, 1}));
    EXPECT_EQ(ask({7}), Bytes{7});
    EXPECT_EQ(ask({5}), (Bytes{5, 2, 0, 0}));
}

TEST_F(DeviceModelTest, ErasesSetTheRightMemoryToFF) {
    select(2);
    const auto allFF = [](const Bytes& memory) {
        return std::all_of(memory.begin(), memory.end(), [](std::uint8_t b) { return b == 0xFF; });
    };
    const Chip& chip = device.chip(2);
    ASSERT_FALSE(allFF(chip.programMemory));
    ASSERT_FALSE(allFF(chip.eeprom));
    EXPECT_EQ(ask({12}), Bytes{12});
    EXPECT_TRUE(allFF(chip.eeprom));
    EXPECT_FALSE(allFF(chip.programMemory));
    EXPECT_EQ(ask({8}), Bytes{8});
    EXPECT_TRUE(allFF(chip.programMemory));

    select(1);
    EXPECT_EQ(ask({7}), Bytes{7});
    EXPECT_TRUE(allFF(device.chip(1).programMemory));
    EXPECT_TRUE(allFF(device.chip(1).eeprom));
    EXPECT_FALSE(allFF(device.chip(0).programMemory));  // other chips untouched
}

TEST_F(DeviceModelTest, ReadsChunksAndClipsThemToMemoryAndFrame) {
    select(0);  // 1024 bytes of program memory
    const Bytes& memory = device.chip(0).programMemory;
    const auto slice = [&](std::size_t from, std::size_t count) {
        return Bytes(memory.begin() + static_cast<std::ptrdiff_t>(from),
                     memory.begin() + static_cast<std::ptrdiff_t>(from + count));
    };
    EXPECT_EQ(ask(addressed(9, 224, 224)), addressed(9, 224, 224, slice(224, 224)));
    EXPECT_EQ(ask(addressed(9, 1000, 224)), addressed(9, 1000, 24, slice(1000, 24)));
    EXPECT_EQ(ask(addressed(9, 1024, 1)), addressed(9, 1024, 0));
    EXPECT_EQ(ask(addressed(9, 0xFFFFFFFF, 255)), addressed(9, 0xFFFFFFFF, 0));
    const Bytes longest = ask(addressed(9, 0, 255));
    EXPECT_EQ(longest, addressed(9, 0, 249, slice(0, 249)));
    EXPECT_EQ(longest.size(), 255u);

    select(2);
    const Bytes& eeprom = device.chip(2).eeprom;
    EXPECT_EQ(ask(addressed(13, 2040, 16)),
              addressed(13, 2040, 8, Bytes(eeprom.end() - 8, eeprom.end())));
}

TEST_F(DeviceModelTest, WritesAndVerifiesReportTheFirstFailingAddress) {
    select(1);
    const Bytes data{0x10, 0x20, 0x30, 0x40};
    EXPECT_EQ(ask(addressed(10, 0x100, 4, data)), Bytes{10});
    EXPECT_EQ(ask(addressed(9, 0x100, 4)), addressed(9, 0x100, 4, data));
    EXPECT_EQ(ask(addressed(11, 0x100, 4, data)), concat(addressed(11, 0x100, 4), {1}));

    Bytes differing = data;
    differing[2] = 0x31;
    EXPECT_EQ(ask(addressed(11, 0x100, 4, differing)), concat(addressed(11, 0x102, 4), {0}));

    // Past the end of memory, and data missing from a short payload, count as failures.
    const std::uint32_t size = catalogue.chips[1].programMemorySize;
    ask(addressed(10, size - 2, 2, {0xAA, 0xBB}));
    EXPECT_EQ(ask(addressed(11, size - 2, 4, {0xAA, 0xBB, 0xFF, 0xFF})),
              concat(addressed(11, size, 4), {0}));
    EXPECT_EQ(ask(addressed(11, 0x100, 4, {0x10, 0x20})), concat(addressed(11, 0x102, 4), {0}));

    // A write past the end keeps what fits; a short one writes only the bytes it carries.
    ask(addressed(10, size - 1, 3, {0x01, 0x02, 0x03}));
    EXPECT_EQ(device.chip(1).programMemory.back(), 0x01);
    ask(addressed(10, 0x200, 8, {0x55}));
    EXPECT_EQ(device.chip(1).programMemory[0x200], 0x55);
    EXPECT_NE(device.chip(1).programMemory[0x201], 0x55);

    // EEPROM commands act on the EEPROM only.
    EXPECT_EQ(ask(addressed(14, 0, 2, {0xEE, 0xE0})), Bytes{14});
    EXPECT_EQ(ask(addressed(15, 0, 2, {0xEE, 0xE0})), concat(addressed(15, 0, 2), {1}));
    EXPECT_EQ(ask(addressed(15, 0, 2, {0xEE, 0xE1})), concat(addressed(15, 1, 2), {0}));
    EXPECT_EQ(ask(addressed(13, 0, 2)), addressed(13, 0, 2, {0xEE, 0xE0}));
    EXPECT_NE(ask(addressed(9, 0, 2)), addressed(9, 0, 2, {0xEE, 0xE0}));
}

TEST_F(DeviceModelTest, ABadCellStoresTheComplementAndFailsItsVerify) {
    device.setBadProgramCells({0x1C5});
    select(1);
    const Bytes data{0x10, 0x20, 0x30, 0x40};
    ask(addressed(10, 0x1C4, 4, data));
    EXPECT_EQ(ask(addressed(9, 0x1C4, 4)), addressed(9, 0x1C4, 4, {0x10, 0xDF, 0x30, 0x40}));
    EXPECT_EQ(ask(addressed(11, 0x1C4, 4, data)), concat(addressed(11, 0x1C5, 4), {0}));
    // The EEPROM has no bad cell.
    ask(addressed(14, 0x1C4, 4, data));
    EXPECT_EQ(ask(addressed(15, 0x1C4, 4, data)), concat(addressed(15, 0x1C4, 4), {1}));
}

TEST_F(DeviceModelTest, CodesWithoutContentAndShortPayloadsGetTheCodeAlone) {
    select(2);
    for (const std::uint8_t code : {1, 2, 16, 17, 18, 19, 21, 100, 240, 255}) {
        EXPECT_EQ(ask({code}), Bytes{code}) << int(code);
    }
    for (const std::uint8_t code : {4, 6, 9, 10, 11, 13, 14, 15, 244, 246, 249, 250, 252}) {
        EXPECT_EQ(ask({code}), Bytes{code}) << int(code);
    }
    EXPECT_EQ(ask({4, 0}), Bytes{4});
    EXPECT_EQ(ask({9, 0, 0, 0, 0}), Bytes{9});
    EXPECT_EQ(device.selectedChip(), 2u);  // a bare 249 changes nothing
    EXPECT_TRUE(ask({}).empty());
}

TEST_F(DeviceModelTest, AnyInputGetsAReplyThatFitsOneFrame) {
    std::mt19937 random(2026);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(1, 255);
    for (int round = 0; round < 20000; ++round) {
        Bytes command(static_cast<std::size_t>(round < 256 * 8 ? 1 + round / 256 : length(random)));
        for (std::uint8_t& value : command) {
            value = static_cast<std::uint8_t>(byte(random));
        }
        if (round < 256 * 8) {
            command[0] = static_cast<std::uint8_t>(round % 256);
        }
        if (round % 7 == 0 && command.size() > 1) {
            command[1] = static_cast<std::uint8_t>(round % 4);  // select real chips often
        }
        const Bytes reply = device.handle(command);
        ASSERT_FALSE(reply.empty());
        ASSERT_LE(reply.size(), 255u);
        ASSERT_EQ(reply[0], command[0]);
    }
}

}  // namespace
}  // namespace kelvan::devsim
