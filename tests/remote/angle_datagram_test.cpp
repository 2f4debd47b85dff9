// The angle datagrams two PCs exchange, and what a receiver makes of anything else.
#include "remote/angle_datagram.h"

#include <gtest/gtest.h>

#include <array>
#include <random>

#include "link/protocol.h"

namespace tilt::remote {
namespace {

TEST(AngleDatagram, SenderWritesTheAnglesBetweenTheMarkers) {
    EXPECT_EQ(angleDatagram(12.3, -4), "KT12.3/-4KT");
    EXPECT_EQ(angleDatagram(0, -0.0), "KT0/0KT");
    EXPECT_EQ(angleDatagram(-180, 90), "KT-180/90KT");
    EXPECT_EQ(angleDatagram(0.5, -0.5), "KT.5/-.5KT");
}

// Whatever the device reports, the receiving PC reads the sender's datagram back as the whole
// degrees of the angles sent, halves to even.
TEST(AngleDatagram, EveryAngleTheDeviceReportsReadsBackAsItsWholeDegrees) {
    for (int word = 0; word <= 0xFFFF; ++word) {
        const auto high = static_cast<std::uint8_t>(word >> 8);
        const auto low = static_cast<std::uint8_t>(word & 0xFF);
        const std::array<std::uint8_t, 4> reply = {high, low, low, high};
        const auto reading = link::decodeAngles(reply);
        ASSERT_TRUE(reading);
        const std::string datagram = angleDatagram(reading->angleX, reading->angleY);
        const auto angles = decodeAngleDatagram(datagram);
        ASSERT_TRUE(angles) << datagram;
        ASSERT_EQ(angles->x, std::nearbyint(reading->angleX)) << datagram;
        ASSERT_EQ(angles->y, std::nearbyint(reading->angleY)) << datagram;
    }
}

// Each side is read for its leading number (0 when it has none), rounded half to even: how a
// side's text reads, and which whole numbers fit, is common's leadingNumber and toInt16 to test;
// here, where the sides are.
TEST(AngleDatagram, ReceiverTakesTheLeadingNumberOfEachSideOfAFramedPair) {
    struct Case {
        std::string text;
        int x, y;
    };
    const Case cases[] = {
        {"KT12.5/13.5KT", 12, 14},
        {"KT/KT", 0, 0},
        {"KT7/KT", 7, 0},
        {"KT1/2/3KT", 1, 2},
        {"KT+-5/1KT", 0, 1},
        {"KTKT/KTKT", 0, 0},
        {std::string("KT\0\xff/\x01KT", 8), 0, 0},
    };
    for (const Case& c : cases) {
        const auto angles = decodeAngleDatagram(c.text);
        ASSERT_TRUE(angles) << c.text;
        EXPECT_EQ(angles->x, c.x) << c.text;
        EXPECT_EQ(angles->y, c.y) << c.text;
    }
}

// Unframed, framed without "/", or a side beyond 16 bits: nothing, rather than a wrong angle.
TEST(AngleDatagram, AnythingElseIsNoPair) {
    const std::string huge = "KT" + std::string(64 * 1024, '9') + "/1KT";
    for (const std::string& text :
         {std::string(), std::string("KT"), std::string("KTKT"), std::string("KTK"),
          std::string("12.5/3"), std::string("KT12.5 13.5KT"), std::string("KT12.5/13.5KT "),
          std::string("kt1/2kt"), std::string("KT40000/1KT"), std::string("KT1/-99999KT"), huge}) {
        EXPECT_FALSE(decodeAngleDatagram(text)) << text.substr(0, 40);
    }

    // Random bytes: never a crash, whatever comes.
    std::mt19937 random(5);
    for (int i = 0; i < 20000; ++i) {
        std::string bytes(random() % 40, '\0');
        for (char& b : bytes) {
            b = static_cast<char>(random() % 256);
        }
        if (i % 2 == 0) {
            bytes = "KT" + bytes + "KT";
        }
        (void)decodeAngleDatagram(bytes);
    }
}

}  // namespace
}  // namespace tilt::remote
