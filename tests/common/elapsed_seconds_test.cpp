#include "common/elapsed_seconds.h"

#include <gtest/gtest.h>

namespace tilt {
namespace {

TEST(ElapsedSeconds, RoundsToHundredthsWithTiesToEven) {
    EXPECT_DOUBLE_EQ(elapsedSeconds(0, 1'234'567, 1'000'000), 1.23);
    EXPECT_DOUBLE_EQ(elapsedSeconds(1'000'000, 1'125'000, 1'000'000), 0.12);  // .125 -> .12
    EXPECT_DOUBLE_EQ(elapsedSeconds(0, 1'375'000, 1'000'000), 1.38);          // 1.375 -> 1.38
    EXPECT_DOUBLE_EQ(elapsedSeconds(500, 500, 1'000'000), 0.0);
}

TEST(ElapsedSeconds, WithoutACounterFrequencyIsZero) {
    EXPECT_DOUBLE_EQ(elapsedSeconds(0, 1'000, 0), 0.0);
}

}  // namespace
}  // namespace tilt
