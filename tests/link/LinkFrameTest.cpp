#include "link/LinkFrame.h"

#include <gtest/gtest.h>

namespace kelvan::link {
namespace {

TEST(LinkFrame, BuildsTheWorkedExamples) {
    const Bytes title = buildLinkFrame(Bytes{0xFE});
    EXPECT_EQ(title, (Bytes{0xD1, 0xE0, 0xEB, 0xEE, 0x01, 0x8B, 0xFE, 0xFE}));
    const Bytes select = buildLinkFrame(Bytes{0xF9, 0x03});
    EXPECT_EQ(select, (Bytes{0xD1, 0xE0, 0xEB, 0xEE, 0x02, 0x8C, 0xF9, 0x03, 0xFC}));
}

TEST(LinkFrame, EmptyPayloadGivesTheSixByteReadyFrame) {
    EXPECT_EQ(buildLinkFrame(Bytes{}), (Bytes{0xD1, 0xE0, 0xEB, 0xEE, 0x00, 0x8A}));
}

TEST(LinkFrame, ChecksumsWrapModulo256) {
    const Bytes payload(255, 0xFF);
    const Bytes frame = buildLinkFrame(payload);
    ASSERT_EQ(frame.size(), 262u);
    EXPECT_EQ(frame[5], 0x89);  // 0x8A + 0xFF, carry dropped
    EXPECT_EQ(frame.back(), (255 * 255) % 256);
    EXPECT_EQ(sum8(Bytes{0x80, 0x80, 0x01}), 0x01);
}

TEST(LinkFrame, RefusesPayloadLongerThan255) {
    EXPECT_THROW(buildLinkFrame(Bytes(256, 0)), std::length_error);
}

}  // namespace
}  // namespace kelvan::link
