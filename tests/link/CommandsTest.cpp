#include "link/Commands.h"

#include <gtest/gtest.h>

#include "LinkTestSupport.h"

namespace kelvan::link::test {
namespace {

TEST(Commands, AddressesAreLittleEndian) {
    EXPECT_EQ(commands::readProgramMemory(0x12345678, 224),
              (Bytes{9, 0x78, 0x56, 0x34, 0x12, 224}));
    EXPECT_EQ(commands::readEeprom(0x1C0, 32), (Bytes{13, 0xC0, 0x01, 0, 0, 32}));
}

TEST(Commands, DataChunksCarryTheirCountAndBytes) {
    const Bytes data{0xAA, 0xBB, 0xCC};
    EXPECT_EQ(commands::writeProgramMemory(0xE0, data),
              (Bytes{10, 0xE0, 0, 0, 0, 3, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(commands::verifyEeprom(1, data), (Bytes{15, 1, 0, 0, 0, 3, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(commands::verifyProgramMemory(0, Bytes(ChunkSize, 7)).size(), MaxPayloadSize);
    EXPECT_EQ(commands::writeEeprom(0, Bytes{})[5], 0);
    EXPECT_THROW(commands::writeEeprom(0, Bytes(ChunkSize + 1, 0)), std::length_error);
}

TEST(Commands, BitAndIndexedRequests) {
    EXPECT_EQ(commands::writeFuseBit(3, true), (Bytes{4, 3, 1}));
    EXPECT_EQ(commands::writeFuseBit(0, false), (Bytes{4, 0, 0}));
    EXPECT_EQ(commands::writeLockBit(2), (Bytes{6, 2}));
    EXPECT_EQ(commands::selectChip(255), (Bytes{249, 255}));
    EXPECT_EQ(commands::askLockBitCaption(1), (Bytes{244, 1}));
    EXPECT_EQ(commands::askFuseBitCaption(1), (Bytes{246, 1}));
    EXPECT_EQ(commands::askChipName(4), (Bytes{250, 4}));
    EXPECT_EQ(commands::askAboutLine(5), (Bytes{252, 5}));
}

TEST(Commands, NameTableHasTwentyOneCaptionsThenBlanks) {
    EXPECT_EQ(CommandNameTable[0], "Читать сигнатуру");
    EXPECT_EQ(CommandNameTable[9], "Читать память программ");
    EXPECT_EQ(CommandNameTable[20], "Читать калибровочные байты");
    for (std::size_t code = 0; code < CommandNameTable.size(); ++code) {
        EXPECT_EQ(CommandNameTable[code].empty(), code > 20) << code;
    }
}

}  // namespace
}  // namespace kelvan::link::test
