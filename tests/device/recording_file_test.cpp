#include "device/recording_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/recording_errors.h"
#include "support/sim_bench.h"
#include "support/temp_folder.h"
#include "view/channel_arrays.h"
#include "view/download_file.h"

namespace tilt::device {
namespace {

class RecordingFileTest : public testing::TempFolderTest {};

TEST_F(RecordingFileTest, Linear3Recording_ReadsBackWithItsPagesPushesAndCsv) {
    const auto options = testing::recording(Preload::Linear3, 6);  // three pushes
    const std::string file = path("linear3.tlg");
    downloadSimulatedRecording(options, file);

    const auto header = view::readDownloadFileHeader(file);
    ASSERT_TRUE(header);
    EXPECT_EQ(header->mode, view::FileMode::Linear);
    EXPECT_EQ(header->channel, LinearChannel::Both);

    view::ChannelArrays arrays;
    view::ButtonPushList pushes;
    testing::RecordingErrors errors;
    ASSERT_EQ(view::buildDoubleChannelArrays(file, arrays, errors, "GraphBP", &pushes),
              view::ParseEnd::Done);
    EXPECT_EQ(arrays.x.size(), 6U * 132 + 1);
    EXPECT_EQ(pushes.size(), 3U);
    EXPECT_TRUE(std::filesystem::exists(path("linear3.csv")));
}

TEST_F(RecordingFileTest, BinRecording_HoldsItsPagePairs) {
    const auto options = testing::recording(Preload::Bin, 4);
    const std::string file = path("bin.tlg");
    downloadSimulatedRecording(options, file);

    ASSERT_EQ(view::readDownloadFileHeader(file)->mode, view::FileMode::Bin);
    const auto pages = view::BinPages::load(file);
    ASSERT_TRUE(pages);
    view::PointArray x{};
    view::PointArray y{};
    testing::RecordingErrors errors;
    EXPECT_EQ(pages->locate(3, x, y, errors, "Graph"), view::BinPages::Located::Found);
    EXPECT_EQ(pages->locate(5, x, y, errors, "Graph"), view::BinPages::Located::NotFound);
    double counts = 0;
    for (const double c : x) {
        counts += c;
    }
    EXPECT_GT(counts, 0) << "a bin page holds a histogram";
}

}  // namespace
}  // namespace tilt::device
