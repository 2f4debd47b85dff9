#include "common/rounding.h"

#include <gtest/gtest.h>

#include "common/error.h"

namespace tilt {
namespace {

TEST(Rounding, TiesGoToTheEvenNeighbour) {
    struct Case {
        double value;
        int decimals;
        double expected;
    };
    const Case cases[] = {
        {11.25, 1, 11.2},    {33.75, 1, 33.8}, {-11.25, 1, -11.2},
        {2.5, 0, 2},         {3.5, 0, 4},      {-2.5, 0, -2},
        {0.5, 0, 0},         {1.5, 0, 2},      {-180.0055, 1, -180.0},
        {1.234567, 2, 1.23}, {1.235, 2, 1.24}, {7.0, 1, 7.0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(roundHalfEven(c.value, c.decimals), c.expected)
            << c.value << " to " << c.decimals << " decimals";
    }
}

TEST(Rounding, WholeNumberConversionsRefuseWhatDoesNotFit) {
    EXPECT_EQ(toInt16(32767.4), 32767);
    EXPECT_EQ(toInt16(-32768.5), -32768);  // tie to even stays in range
    EXPECT_EQ(toInt16(2.5), 2);
    EXPECT_EQ(toByte(255.4), 255);
    EXPECT_EQ(toByte(0.5), 0);
    for (const double bad : {32767.5, -32769.0, 1e12}) {
        try {
            (void)toInt16(bad);
            ADD_FAILURE() << bad << " was accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), 6);
        }
    }
    EXPECT_THROW((void)toByte(256), Error);
    EXPECT_THROW((void)toByte(-1), Error);
    EXPECT_THROW((void)toByte(300), Error);
    EXPECT_THROW((void)toInt32(3e9), Error);
}

}  // namespace
}  // namespace tilt
