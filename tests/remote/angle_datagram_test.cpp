// The angle datagrams two PCs exchange, and what a receiver makes of anything else.
#include "remote/angle_datagram.h"

#include <gtest/gtest.h>

#include <random>

namespace tilt::remote {
namespace {

TEST(AngleDatagram, SenderWritesTheAnglesBetweenTheMarkers) {
    EXPECT_EQ(angleDatagram(12.3, -4), "KT12.3/-4KT");
    EXPECT_EQ(angleDatagram(0, -0.0), "KT0/0KT");
    EXPECT_EQ(angleDatagram(-180, 90), "KT-180/90KT");
    EXPECT_EQ(angleDatagram(0.5, -0.5), "KT.5/-.5KT");
}

TEST(AngleDatagram, ReceiverTakesFramedPairsRoundedHalfToEven) {
    struct Case {
        const char* text;
        int x, y;
    };
    for (const Case& c : {Case{"KT12.5/13.5KT", 12, 14}, Case{"KT-180/90KT", -180, 90},
                          Case{"KT.5/-.5KT", 0, 0}, Case{"KT 3/ 4 KT", 3, 4}}) {
        const auto angles = decodeAngleDatagram(c.text);
        ASSERT_TRUE(angles) << c.text;
        EXPECT_EQ(angles->x, c.x) << c.text;
        EXPECT_EQ(angles->y, c.y) << c.text;
    }
}

TEST(AngleDatagram, AnythingElseIsNoPair) {
    const std::string huge = "KT" + std::string(64 * 1024, '9') + "/1KT";
    for (const std::string& text :
         {std::string(), std::string("KT"), std::string("KTKT"), std::string("12.5/3"),
          std::string("KT12.5 13.5KT"), std::string("KT40000/1KT"), std::string("KT1/-99999KT"),
          std::string("KT1e999/2KT"), std::string("kt1/2kt"), huge,
          std::string("KT\0\xff/\x01KT", 8), std::string("KTabc/xyzKT"), std::string("KT7/KT"),
          std::string("KT3/4 degreesKT"), std::string("KT+-5/1KT"), std::string("KT1/+-1KT")}) {
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
