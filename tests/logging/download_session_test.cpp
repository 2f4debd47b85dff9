#include "logging/download_session.h"

#include <gtest/gtest.h>

#include "device/device_memory.h"
#include "logging/download_parameters.h"
#include "logging/linear_csv.h"
#include "support/recording_errors.h"
#include "support/sim_bench.h"
#include "support/temp_folder.h"

namespace tilt::logging {
namespace {

using testing::SimBench;

class DownloadSession : public testing::TempFolderTest {
  protected:
    // Downloads the recording of `options` into `file`, from `firstPage`, stopping after page
    // `stopAfter` when given. Writes the header for a new file.
    TransferResult download(const device::SimOptions& options, const std::string& file,
                            std::int32_t firstPage = 0, std::int32_t stopAfter = 0) {
        SimBench bench(options);
        const auto params = GetConfirmedDownloadParameters(bench.link, bench.port, errors,
                                                           "DownloadErase", '.', 16);
        EXPECT_FALSE(params.failed);
        header = dataFileHeaderOf(params.parameters, "3.2.4");
        if (firstPage == 0) {
            writeDataFileHeader(file, kDownloadPages, header);
        }
        std::stop_source stop;
        bench.link.setStopToken(stop.get_token());
        std::optional<std::chrono::system_clock::time_point> lastReceive;
        return downloadIntoFile(
            bench.link, bench.port, errors, header, {file, firstPage}, 2048,
            [&](const TransferProgress& p) {
                if (stopAfter && p.page > stopAfter) {
                    stop.request_stop();
                }
            },
            lastReceive);
    }

    static device::SimOptions recording(device::Preload preload, int pages) {
        device::SimOptions options;
        options.preload = preload;
        options.pages = pages;
        options.keepRxLog = false;
        return options;
    }

    testing::RecordingErrors errors;
    DataFileHeader header;
};

TEST_F(DownloadSession, FaultyLine_GivesTheSameFilesAsACleanOne) {
    for (const auto preload : {device::Preload::Bin, device::Preload::Linear3}) {
        const auto clean = recording(preload, 150);
        auto faulty = clean;
        faulty.faults.lose = faulty.faults.extra = faulty.faults.shortReply = 0.01;
        faulty.faults.silenceEvery = link::ms(20000);
        faulty.faults.silenceLength = link::ms(3000);
        EXPECT_EQ(download(clean, path("clean.tlg")).end, TransferEnd::Completed);
        EXPECT_EQ(download(faulty, path("faulty.tlg")).end, TransferEnd::Completed);
        const std::string expected = readFile(path("clean.tlg"));
        EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 12 + 150);
        EXPECT_TRUE(readFile(path("faulty.tlg")) == expected) << "the files differ";
        const bool linear = preload != device::Preload::Bin;
        EXPECT_EQ(std::filesystem::exists(path("clean.csv")), linear);
        if (linear) {
            EXPECT_TRUE(readFile(path("faulty.csv")) == readFile(path("clean.csv")));
        }
        EXPECT_TRUE(errors.reports.empty());
    }
}

TEST_F(DownloadSession, KilledHalfWay_ResumesToTheSameFile) {
    const auto options = recording(device::Preload::Linear3, 60);
    ASSERT_EQ(download(options, path("whole.tlg")).end, TransferEnd::Completed);

    EXPECT_EQ(download(options, path("cut.tlg"), 0, 25).end, TransferEnd::Stopped);
    EXPECT_FALSE(std::filesystem::exists(path("cut.csv"))) << "no CSV for a stopped download";
    // A kill in the middle of a write leaves half a line behind.
    std::ofstream(path("cut.tlg"), std::ios::binary | std::ios::app) << "26,12.3,4";

    const auto partial = partialDownloadOf(path("cut.tlg"), header);
    ASSERT_TRUE(partial);
    EXPECT_TRUE(partial->cutOff);
    const auto next = prepareResume(path("cut.tlg"), *partial);
    ASSERT_TRUE(next);
    EXPECT_EQ(*next, partial->lastPage + 1);
    EXPECT_GE(*next, 20);
    EXPECT_EQ(download(options, path("cut.tlg"), *next).end, TransferEnd::Completed);
    EXPECT_TRUE(readFile(path("cut.tlg")) == readFile(path("whole.tlg"))) << "the files differ";
    EXPECT_TRUE(readFile(path("cut.csv")) == readFile(path("whole.csv"))) << "the CSVs differ";
}

TEST_F(DownloadSession, AnotherRecordingsFile_IsNoPartialDownload) {
    ASSERT_EQ(download(recording(device::Preload::Linear1, 5), path("a.tlg")).end,
              TransferEnd::Completed);
    auto other = recording(device::Preload::Linear1, 5);
    other.seed = 99;  // another serial number
    SimBench bench(other);
    const auto params = GetDownloadParameters(bench.link, bench.port, errors, "DownloadErase", '.');
    EXPECT_FALSE(partialDownloadOf(path("a.tlg"), dataFileHeaderOf(params.parameters, "3.2.4")));
    EXPECT_FALSE(partialDownloadOf(path("missing.tlg"), header));
}

}  // namespace
}  // namespace tilt::logging
