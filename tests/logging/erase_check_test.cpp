// The check before an erase or a launch: what the logger holds against what the library has, in
// virtual time on a simulated logger. The library is an in-memory one here; the SQLite one has
// its own tests, and tiltctl's erase runs on it end to end.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "logging/erase_check.h"
#include "support/recording_errors.h"
#include "support/sim_bench.h"

namespace tilt::logging {
namespace {

using ::testing::HasSubstr;
using Verdict = EraseCheck::Verdict;

class MemoryLibrary final : public RecordingsLibrary {
  public:
    std::int64_t recordDataFile(const DataFileEntry& entry) override {
        files.push_back(entry);
        return static_cast<std::int64_t>(files.size());
    }
    void recordSnapshot(const ConfigSnapshot&) override {}
    void recordEvent(const LibraryEvent&) override {}
    void recordLoggingStart(const RecordingKey&, const std::string&, std::optional<int>) override {}
    std::vector<DataFileEntry> dataFiles(std::optional<std::int64_t> serial) override {
        if (!failure.empty()) {
            throw LibraryError(failure);
        }
        std::vector<DataFileEntry> found;
        for (const auto& f : files) {
            if (!serial || f.recording.serial == *serial) {
                found.push_back(f);
            }
        }
        return found;
    }
    std::optional<DataFileEntry> dataFile(std::int64_t) override { return std::nullopt; }
    std::optional<DataFileEntry> dataFileWithSha256(const std::string&) override {
        return std::nullopt;
    }
    std::vector<ConfigSnapshot> snapshots(std::int64_t) override { return {}; }
    std::optional<std::string> loggingStarted(const RecordingKey&) override { return {}; }
    bool downloadedWhole(const RecordingKey&, int) override { return false; }
    bool forget(std::int64_t) override { return false; }
    std::optional<int> launchUtcOffset(const RecordingKey&) override { return {}; }
    std::vector<std::int64_t> loggers() override { return {}; }
    std::vector<LibraryEvent> events(std::int64_t) override { return {}; }
    std::vector<std::int64_t> pushedTo(const std::string&) override { return {}; }
    void recordPushes(const std::vector<std::int64_t>&, const std::string&) override {}

    // A download of `pages` pages of `recording` into `file` (by default one that is there).
    void downloaded(const RecordingKey& recording, int pages, bool complete,
                    const std::string& file = kept().string()) {
        DataFileEntry entry;
        entry.recording = recording;
        entry.pages = pages;
        entry.complete = complete;
        entry.path = file;
        (void)recordDataFile(entry);
    }

    static std::filesystem::path kept() {
        static const std::filesystem::path file = [] {
            const auto path = std::filesystem::temp_directory_path() / "tilt-erase-check.tlg";
            std::ofstream(path) << "a data file\n";
            return path;
        }();
        return file;
    }

    std::vector<DataFileEntry> files;
    std::string failure;
};

// The commands a logger received: 'r' with its address, 'd' with its page; the rest alone.
std::string commandsIn(const std::vector<std::uint8_t>& bytes) {
    std::string commands;
    for (std::size_t i = 0; i < bytes.size();) {
        commands.push_back(static_cast<char>(bytes[i]));
        i += bytes[i] == 'r' ? 2 : bytes[i] == 'd' ? 3 : 1;
    }
    return commands;
}

struct EraseCheckTest : ::testing::Test {
    EraseCheck check(testing::SimBench& bench) {
        return checkBeforeErasing(bench.job(errors, "DownloadErase"), library);
    }
    // The logger's recording, as a first check reads it.
    RecordingKey recordingOf(testing::SimBench& bench) {
        MemoryLibrary empty;
        return *checkBeforeErasing(bench.job(errors, "DownloadErase"), empty).recording;
    }
    testing::RecordingErrors errors;
    MemoryLibrary library;
};

TEST_F(EraseCheckTest, EmptyMemory_NeedsNoConsent_AndCostsTheIdentityAndTwoPages) {
    testing::SimBench bench(testing::recording(device::Preload::Empty));
    const EraseCheck result = check(bench);
    EXPECT_EQ(result.verdict, Verdict::Empty);
    EXPECT_FALSE(needsConsent(result));
    EXPECT_EQ(atStakeText(result), "");
    EXPECT_EQ(result.pagesAsked, 2) << "page 0, as every read of pages starts, and page 1";
    EXPECT_LT(result.lineTime, link::ms(600));
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_EQ(commandsIn(bench.receivedBytes()), std::string(10, 'r') + "dd");
}

TEST_F(EraseCheckTest, NeverDownloaded_NamesTheLoggerItsLaunchAndEveryPage) {
    testing::SimBench bench(testing::recording(device::Preload::Linear1, 30));
    const EraseCheck result = check(bench);
    EXPECT_EQ(result.verdict, Verdict::AtStake);
    ASSERT_TRUE(result.recording);
    EXPECT_EQ(result.pagesHeld, 30) << "counted by halving";
    EXPECT_TRUE(needsConsent(result));
    EXPECT_EQ(atStakeText(result),
              "Logger " + std::to_string(result.recording->serial) +
                  " holds a recording launched " + result.recording->launchTime +
                  " that was never downloaded to this computer: pages 1 to 30 are on the logger "
                  "only.");
    EXPECT_LE(result.pagesAsked, 2 + 11);
}

// A complete download that holds every page is enough; one that is incomplete, of another
// recording, or that the logger has since outgrown is not.
TEST_F(EraseCheckTest, DownloadedWhole_ButNotPartlyOrOfAnotherRecordingOrOutgrown) {
    testing::SimBench bench(testing::recording(device::Preload::Linear2, 30));
    const RecordingKey recording = recordingOf(bench);

    library.downloaded(recording, 30, false);                                 // cut off
    library.downloaded({recording.serial, "01/01/2020 00:00:00"}, 30, true);  // an older recording
    EraseCheck result = check(bench);
    EXPECT_EQ(result.verdict, Verdict::AtStake);
    EXPECT_EQ(result.downloadedPages, 0);

    library.downloaded(recording, 12, true);  // downloaded, then the logger logged on
    result = check(bench);
    EXPECT_EQ(result.verdict, Verdict::AtStake);
    EXPECT_EQ(result.pagesHeld, 30);
    EXPECT_THAT(atStakeText(result),
                HasSubstr("of which pages 13 to 30 were never downloaded to this computer (its "
                          "last complete download here holds pages 1 to 12)."));

    library.downloaded(recording, 30, true, "/no/such/folder/deleted.tlg");
    result = check(bench);
    EXPECT_EQ(result.verdict, Verdict::AtStake) << "its file was deleted since";

    library.downloaded(recording, 30, true);
    result = check(bench);
    EXPECT_EQ(result.verdict, Verdict::Downloaded);
    EXPECT_FALSE(needsConsent(result));
    EXPECT_EQ(result.pagesAsked, 2) << "page 0 and the page after the download's last";
}

TEST_F(EraseCheckTest, LibraryThatCannotBeRead_CountsAsNotKnown_SayingWhy) {
    testing::SimBench bench(testing::recording(device::Preload::Bin, 8));
    library.failure = "database is locked";
    const EraseCheck result = check(bench);
    EXPECT_EQ(result.verdict, Verdict::NotKnown);
    EXPECT_TRUE(needsConsent(result));
    EXPECT_EQ(result.pagesHeld, 8);
    EXPECT_THAT(atStakeText(result),
                HasSubstr("(pages 1 to 8), and it is not known whether it was downloaded: the "
                          "recordings library could not be read (database is locked)."));
}

TEST_F(EraseCheckTest, SilentLogger_IsNotKnown_AndNothingButQueriesIsSent) {
    auto options = testing::recording(device::Preload::Linear1, 30);
    options.faults.silenceEvery = link::ms(1);
    options.faults.silenceLength = link::ms(600000);
    testing::SimBench bench(options);
    const EraseCheck result = check(bench);
    EXPECT_EQ(result.verdict, Verdict::NotKnown);
    EXPECT_FALSE(result.recording);
    EXPECT_EQ(commandsIn(bench.receivedBytes()), std::string(10, 'r'));
    EXPECT_EQ(atStakeText(result),
              "It is not known whether the logger's recording was downloaded: the logger did not "
              "give its serial number and launch time.");
    EXPECT_LT(result.lineTime, link::ms(2000));
}

// Told not to count (the user has chosen to lose the pages), the check stops at the library.
TEST_F(EraseCheckTest, WithoutCounting_AtStakeCostsNoSearch) {
    testing::SimBench bench(testing::recording(device::Preload::Linear1, 500));
    const EraseCheck result =
        checkBeforeErasing(bench.job(errors, "DownloadErase"), library, {.countPages = false});
    EXPECT_EQ(result.verdict, Verdict::AtStake);
    EXPECT_FALSE(result.pagesHeld);
    EXPECT_EQ(result.pagesAsked, 2);
    EXPECT_THAT(atStakeText(result), HasSubstr("pages 1 and on are on the logger only."));
}

}  // namespace
}  // namespace tilt::logging
