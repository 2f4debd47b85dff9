#include "link/byte_split.h"

#include <gtest/gtest.h>

#include "support/recording_errors.h"

namespace tilt::link {
namespace {

TEST(ByteSplit, SplitsSixteenBitValues) {
    testing::RecordingErrors errors;
    EXPECT_EQ(valueToMsb(1000, errors), 3);
    EXPECT_EQ(valueToLsb(1000), 232);
    EXPECT_EQ(valueToMsb(65535, errors), 255);
    EXPECT_EQ(valueToMsb(-1, errors), 0);  // truncated toward zero
    EXPECT_EQ(valueToMsb(-256, errors), -1);
    EXPECT_EQ(valueToMsb(8388607, errors), 32767);
    EXPECT_EQ(valueToMsb(-8388863, errors), -32768);
    EXPECT_EQ(valueToLsb(-1), 255);
    EXPECT_TRUE(errors.reports.empty());
}

TEST(ByteSplit, HighByteOutOfRange_ReportsOverflowAndGivesZero) {
    for (const std::int32_t value : {8388608, -8388864}) {
        testing::RecordingErrors errors;
        EXPECT_EQ(valueToMsb(value, errors), 0);
        ASSERT_EQ(errors.reports.size(), 1u) << value;
        EXPECT_EQ(errors.reports[0].number, 6);
        EXPECT_EQ(errors.reports[0].source, "ValueToMSB");
        EXPECT_EQ(errors.reports[0].screen, "Communications");
    }
}

}  // namespace
}  // namespace tilt::link
