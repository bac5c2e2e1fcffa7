#include "devsim/DeviceFrameReader.h"

#include <gtest/gtest.h>

#include <random>

#include "link/LinkFrame.h"

namespace kelvan::devsim {
namespace {

using link::Bytes;

Bytes frame(const Bytes& payload) {
    return link::buildLinkFrame(payload);
}

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::vector<Bytes> payloads(const std::vector<DeviceFrameReader::Frame>& frames) {
    std::vector<Bytes> result;
    for (const auto& found : frames) {
        result.push_back(found.payload);
    }
    return result;
}

TEST(DeviceFrameReader, CutsFramesIncludingEmptyOnesWhateverTheSplit) {
    const Bytes stream = join({frame({0xFE}), frame({}), frame({0x09, 1, 0, 0, 0, 224})});
    const std::vector<Bytes> expected{{0xFE}, {}, {0x09, 1, 0, 0, 0, 224}};

    DeviceFrameReader whole;
    EXPECT_EQ(payloads(whole.feed(stream)), expected);

    DeviceFrameReader byteByByte;
    std::vector<Bytes> found;
    for (const std::uint8_t byte : stream) {
        for (Bytes& payload : payloads(byteByByte.feed(Bytes{byte}))) {
            found.push_back(payload);
        }
    }
    EXPECT_EQ(found, expected);
    EXPECT_EQ(byteByByte.bytesHeld(), 0u);
    EXPECT_EQ(byteByByte.framesDropped(), 0u);
}

TEST(DeviceFrameReader, SkipsGarbageAndPartialSyncWords) {
    DeviceFrameReader reader;
    const Bytes stream = join({{0x00, 0xD1, 0xE0, 0x55, 0xD1, 0xD1, 0xE0, 0xEB}, frame({0xFD})});
    EXPECT_EQ(payloads(reader.feed(stream)), (std::vector<Bytes>{{0xFD}}));
    EXPECT_EQ(reader.bytesSkipped(), 8u);
    EXPECT_EQ(reader.framesDropped(), 0u);
}

TEST(DeviceFrameReader, DropsBadChecksumsAndResynchronisesOneByteOn) {
    Bytes badHeader = frame({0xFB});
    badHeader[5] ^= 0x01;
    Bytes badPayload = frame({0xFA, 0x02});
    badPayload.back() ^= 0x80;
    DeviceFrameReader reader;
    EXPECT_EQ(payloads(reader.feed(join({badHeader, badPayload, frame({0xFC, 0x01})}))),
              (std::vector<Bytes>{{0xFC, 0x01}}));
    EXPECT_EQ(reader.framesDropped(), 2u);

    // A damaged frame whose payload hides a complete frame: scanning on byte by byte finds it.
    const Bytes inner = frame({0xF9, 0x01});
    Bytes outer = join({{0xD1, 0xE0, 0xEB, 0xEE, 20, static_cast<std::uint8_t>(0x8A + 20)},
                        inner,
                        Bytes(20 - inner.size() + 1, 0x00)});
    DeviceFrameReader resync;
    EXPECT_EQ(payloads(resync.feed(outer)), (std::vector<Bytes>{{0xF9, 0x01}}));
    EXPECT_EQ(resync.framesDropped(), 1u);
}

TEST(DeviceFrameReader, WaitsForTheRestOfAFrameAndForgetsItOnReset) {
    const Bytes whole = frame({0x0B, 0, 0, 0, 0, 3, 7, 8, 9});
    DeviceFrameReader reader;
    EXPECT_TRUE(reader.feed(Bytes(whole.begin(), whole.end() - 1)).empty());
    EXPECT_EQ(reader.bytesHeld(), whole.size() - 1);
    EXPECT_EQ(payloads(reader.feed(Bytes{whole.back()})).size(), 1u);

    EXPECT_TRUE(reader.feed(Bytes(whole.begin(), whole.end() - 1)).empty());
    reader.reset();
    EXPECT_EQ(reader.bytesHeld(), 0u);
    EXPECT_TRUE(reader.feed(Bytes{whole.back()}).empty());
}

TEST(DeviceFrameReader, NoiseNeverMakesItHoldMoreThanOneFrame) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> byte(0, 255);
    DeviceFrameReader reader;
    for (int block = 0; block < 2000; ++block) {
        Bytes noise(37);
        for (std::uint8_t& value : noise) {
            value = static_cast<std::uint8_t>(byte(random));
        }
        if (block % 50 == 0) {  // sync words with random lengths make long candidates
            noise.insert(noise.end(), {0xD1, 0xE0, 0xEB, 0xEE, 0xFF, 0x89});
        }
        reader.feed(noise);
        ASSERT_LE(reader.bytesHeld(), link::MaxFrameSize);
    }
    EXPECT_EQ(payloads(reader.feed(join({Bytes(300, 0x00), frame({0xFF})}))).back(), Bytes{0xFF});
}

}  // namespace
}  // namespace kelvan::devsim
