#include "link/protocol.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "common/error.h"

namespace tilt::link {
namespace {

TEST(DecodeAngles, TurnsWordsIntoDegreesWithOneDecimal) {
    struct Case {
        std::array<std::uint8_t, 4> reply;
        int wordX, wordY;
        double x, y;
    };
    const Case cases[] = {
        {{0x80, 0x00, 0x7F, 0xFF}, 32768, 32767, -180.0, 90.0},
        {{0x40, 0x00, 0x20, 0x00}, 16384, 8192, 90.0, 22.5},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 65535, 65535, 0.0, 0.0},
        {{0x80, 0x00, 0x80, 0x00}, 32768, 32768, -180.0, -90.0},
        {{0x7F, 0xFF, 0x00, 0x00}, 32767, 0, 180.0, 0.0},
        {{0x08, 0x00, 0xF8, 0x00}, 2048, 63488, 11.3, -5.6},
    };
    for (const auto& c : cases) {
        const auto r = decodeAngles(c.reply);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->wordX, c.wordX);
        EXPECT_EQ(r->wordY, c.wordY);
        EXPECT_DOUBLE_EQ(r->angleX, c.x) << c.wordX;
        EXPECT_DOUBLE_EQ(r->angleY, c.y) << c.wordY;
    }
}

TEST(DecodeAngles, AnyOtherLengthIsNoReading) {
    EXPECT_FALSE(decodeAngles(std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(decodeAngles(std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
}

TEST(DecodeAccelerations, ReadsThreeBigEndianCounts) {
    const std::array<std::uint8_t, 6> reply{0x01, 0x00, 0x02, 0x00, 0x7F, 0xFF};
    const auto r = decodeAccelerations(reply);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->x, 256);
    EXPECT_EQ(r->y, 512);
    EXPECT_EQ(r->z, 32767);
    const std::array<std::uint8_t, 5> shortReply{1, 2, 3, 4, 5};
    EXPECT_FALSE(decodeAccelerations(shortReply));
}

TEST(DecodeAccelerations, HighByteOf128OrMoreOverflows) {
    for (std::size_t at : {0u, 2u, 4u}) {
        std::array<std::uint8_t, 6> reply{0, 1, 0, 1, 0, 1};
        reply[at] = 0x80;
        try {
            (void)decodeAccelerations(reply);
            ADD_FAILURE() << "no overflow for byte " << at;
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), 6);
        }
    }
}

TEST(IsErasedPage, NeedsSixLeadingFFBytes) {
    std::vector<std::uint8_t> page(kPageBytes, 0xFF);
    EXPECT_TRUE(isErasedPage(page));
    page[5] = 0x00;  // 0xFF in bytes 0 to 4 only: a data page
    EXPECT_FALSE(isErasedPage(page));
    page.assign(kPageBytes, 0x00);
    page[0] = page[1] = page[2] = page[3] = page[4] = page[5] = 0xFF;
    EXPECT_TRUE(isErasedPage(page));
}

}  // namespace
}  // namespace tilt::link
