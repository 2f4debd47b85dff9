// A channel 3 download of two pages, written the way the download writes it, against files
// written by hand.
#include <gtest/gtest.h>

#include <array>

#include "logging/data_file.h"
#include "logging/linear_csv.h"
#include "support/recording_errors.h"
#include "support/scripted_file_dialogs.h"
#include "support/temp_folder.h"

namespace tilt::logging {
namespace {

namespace fs = std::filesystem;
using Page = std::array<std::uint8_t, 264>;

const fs::path kFixtures = fs::path(TILT_FIXTURES_DIR) / "logging";

// Page 1 counts up from 0 and page 2 down from 255 (covering every byte in both axes), each
// ending in button pushes and lone markers.
std::array<Page, 2> channel3Pages() {
    std::array<Page, 2> pages{};
    for (int i = 0; i < 256; ++i) {
        pages[0][static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
        pages[1][static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(255 - i);
    }
    const std::array<std::uint8_t, 8> tail1 = {127, 127, 127, 0, 0, 127, 24, 247};
    const std::array<std::uint8_t, 8> tail2 = {127, 127, 128, 129, 127, 127, 1, 127};
    std::copy(tail1.begin(), tail1.end(), pages[0].begin() + 256);
    std::copy(tail2.begin(), tail2.end(), pages[1].begin() + 256);
    return pages;
}

class GoldenFilesTest : public testing::TempFolderTest {};

TEST_F(GoldenFilesTest, Channel3Download_MatchesTheHandWrittenDataAndCsvFiles) {
    DataFileHeader header;
    header.appVersion = "3.2.4";
    header.firmwareVersion = "1.07";
    header.serialNumber = 1042;
    header.launchTime = "03/07/2026 09:05:00";
    header.samplingFrequency = "12.5";
    header.channelGains = "X=323 Y=408 Z=322";
    header.channelOffsets = "X=512 Y=498 Z=505";
    header.tares = "X=0 Y=65500";
    header.mode = RecordingMode::Linear;
    header.channel = LinearChannel::Both;
    testing::ScriptedFileDialogs dialogs;
    dialogs.answers.push_back(path("walk.tlg"));
    testing::RecordingErrors errors;

    const auto file = createDataFile(dialogs, folder, kDownloadPages, header);
    ASSERT_TRUE(file);
    std::int32_t page = 0;
    for (const Page& bytes : channel3Pages()) {
        ASSERT_TRUE(writeDownloadPagesToFile(
            *file, ++page, pageLineText(bytes, RecordingMode::Linear, LinearChannel::Both),
            errors));
    }
    makeLinearCsv(*file, errors, "DownloadErase");

    EXPECT_TRUE(errors.reports.empty());
    EXPECT_EQ(readFile(*file), readFile(kFixtures / "channel3_download.tlg"));
    EXPECT_EQ(readFile(folder / "walk.csv"), readFile(kFixtures / "channel3_download.csv"));
}

}  // namespace
}  // namespace tilt::logging
