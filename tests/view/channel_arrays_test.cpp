#include "view/channel_arrays.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/recording_errors.h"
#include "support/temp_folder.h"

namespace tilt::view {
namespace {

class ChannelArraysTest : public testing::TempFolderTest {
  protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        file = path("data.tlg");
    }

    // A file of `headerLines` header lines followed by `lines`.
    void write(int headerLines, const std::vector<std::string>& lines) {
        std::ofstream out(file, std::ios::binary);
        for (int i = 0; i < headerLines; ++i) {
            out << "header " << i << "\r\n";
        }
        for (const auto& line : lines) {
            out << line << "\r\n";
        }
    }
    static std::string pageLine(int page, int values, const std::string& value) {
        std::string line = std::to_string(page);
        for (int i = 0; i < values; ++i) {
            line += "," + value;
        }
        return line;
    }

    std::string file;
    ChannelArrays arrays;
    testing::RecordingErrors errors;
};

TEST_F(ChannelArraysTest,
       SingleChannel_TwoPagesOfFives_GiveFiveHundredTwentyEightAndATrailingZero) {
    write(12, {pageLine(1, 264, "5"), pageLine(2, 264, "5")});
    ASSERT_EQ(buildSingleChannelArray(file, LinearChannel::X, arrays, errors, "Graph"),
              ParseEnd::Done);
    ASSERT_EQ(arrays.x.size(), 529U);
    EXPECT_EQ(std::count(arrays.x.begin(), arrays.x.end(), 5), 528);
    EXPECT_EQ(arrays.x.back(), 0);
    EXPECT_EQ(arrays.y, std::vector<std::int16_t>{0});

    ASSERT_EQ(buildSingleChannelArray(file, LinearChannel::Y, arrays, errors, "Graph"),
              ParseEnd::Done);
    EXPECT_EQ(arrays.y.size(), 529U);
    EXPECT_EQ(arrays.x, std::vector<std::int16_t>{0});
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(ChannelArraysTest, ValuesRoundHalfToEven_NonNumbersCountAsZero_SurplusIsIgnored) {
    std::string line = "1,2.5,3.5,-2.5,-177.2,abc,BP";
    for (int i = 6; i < 263; ++i) {
        line += ",1";
    }
    line += ",7,8,9";  // the last value's text holds the surplus
    write(12, {line});
    ASSERT_EQ(buildSingleChannelArray(file, LinearChannel::X, arrays, errors, "Graph"),
              ParseEnd::Done);
    ASSERT_EQ(arrays.x.size(), 265U);
    EXPECT_EQ(std::vector<std::int16_t>(arrays.x.begin(), arrays.x.begin() + 6),
              (std::vector<std::int16_t>{2, 4, -2, -177, 0, 0}));
    EXPECT_EQ(arrays.x[263], 7);
}

TEST_F(ChannelArraysTest, DoubleChannel_SplitsPairs) {
    std::string line = "1";
    for (int pair = 0; pair < 132; ++pair) {
        line += pair == 3 ? ",BP,BP" : "," + std::to_string(pair) + ".4,-" + std::to_string(pair);
    }
    write(12, {line, line});
    ASSERT_EQ(buildDoubleChannelArrays(file, arrays, errors, "GraphBP"), ParseEnd::Done);
    ASSERT_EQ(arrays.x.size(), 265U);
    ASSERT_EQ(arrays.y.size(), 265U);
    EXPECT_EQ(arrays.x[2], 2);
    EXPECT_EQ(arrays.y[2], -2);
    EXPECT_EQ(arrays.y[131], -131);
    EXPECT_EQ(arrays.x[132 + 131], 131);
    EXPECT_EQ(arrays.x.back(), 0);
}

TEST_F(ChannelArraysTest, ButtonPushList_HoldsTheIndexOfEveryPairWhoseXFieldIsBP) {
    // Pushes at pair 3 of page 1 and pair 40 of page 2; a "BP" in a Y field alone, or inside a
    // longer X field, is no push.
    auto page = [](int number, int pushAt) {
        std::string line = std::to_string(number);
        for (int pair = 0; pair < 132; ++pair) {
            line += pair == pushAt ? ",BP,BP" : pair == 7 ? ",1,BP" : pair == 9 ? ",BP2,1" : ",1,1";
        }
        return line;
    };
    ButtonPushList pushes;
    write(12, {page(1, 3), page(2, 40)});
    ASSERT_EQ(buildDoubleChannelArrays(file, arrays, errors, "GraphBP", &pushes), ParseEnd::Done);
    EXPECT_EQ(pushes, (ButtonPushList{3, 132 + 40}));
    EXPECT_EQ(arrays.x[132 + 40], 0) << "a push is drawn at 0";

    write(12, {page(1, -1)});
    ASSERT_EQ(buildDoubleChannelArrays(file, arrays, errors, "GraphBP", &pushes), ParseEnd::Done);
    EXPECT_EQ(pushes, ButtonPushList{0});

    // A file that fails to read leaves the list at a single 0, whatever it held before.
    pushes = {5, 6};
    write(12, {page(1, 3), pageLine(2, 100, "1")});
    EXPECT_EQ(buildDoubleChannelArrays(file, arrays, errors, "GraphBP", &pushes), ParseEnd::Failed);
    EXPECT_EQ(pushes, ButtonPushList{0});
}

TEST_F(ChannelArraysTest, HeaderOnly_GivesOneElement_ShortHeaderIsTheEndOfTheFile) {
    write(12, {});
    ASSERT_EQ(buildDoubleChannelArrays(file, arrays, errors, "Graph"), ParseEnd::Done);
    EXPECT_EQ(arrays.x, std::vector<std::int16_t>{0});
    write(11, {});
    EXPECT_EQ(buildSingleChannelArray(file, LinearChannel::X, arrays, errors, "Graph"),
              ParseEnd::EndOfFile);
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(ChannelArraysTest, ShortLineOrOversizedValue_IsReportedAndLeavesOneElement) {
    write(12, {pageLine(1, 264, "5"), pageLine(2, 263, "5")});
    EXPECT_EQ(buildSingleChannelArray(file, LinearChannel::X, arrays, errors, "Graph"),
              ParseEnd::Failed);
    EXPECT_EQ(arrays.x, std::vector<std::int16_t>{0});
    write(12, {pageLine(1, 264, "40000")});
    EXPECT_EQ(buildDoubleChannelArrays(file, arrays, errors, "GraphBP"), ParseEnd::Failed);
    ASSERT_EQ(errors.reports.size(), 2U);
    EXPECT_EQ(errors.reports[0].source, "BuildSingleChannelArray");
    EXPECT_EQ(errors.reports[0].screen, "Graph");
    EXPECT_EQ(errors.reports[1].source, "BuildDoubleChannelArrays");
    EXPECT_EQ(errors.reports[1].number, 6) << "overflow";
}

}  // namespace
}  // namespace tilt::view
