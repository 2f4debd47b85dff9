// The download job, as both front ends run it, in virtual time against the simulated device.
#include "logging/download_job.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "common/error.h"
#include "device/device_memory.h"
#include "link/protocol.h"
#include "logging/linear_csv.h"
#include "support/file_size_limit.h"
#include "support/recording_errors.h"
#include "support/sim_bench.h"
#include "support/temp_folder.h"

namespace tilt::logging {
namespace {

using ::testing::HasSubstr;
using testing::recording;
using testing::SimBench;

// A front end that answers as told and remembers what it was asked and shown.
struct ScriptedFrontEnd final : DownloadFrontEnd {
    std::optional<std::string> chooseFile() override {
        ++filesAsked;
        return file;
    }
    ExistingFile existingFile(const ExistingDataFile& existing) override {
        partials.push_back(existing.partial);
        if (askWhetherWhole && existing.recordingEndsThere) {
            endsThere.push_back(existing.recordingEndsThere());
        }
        return answer;
    }
    void modeRead(RecordingMode mode, LinearChannel channel) override {
        modes.emplace_back(mode, channel);
    }
    void transferProgress(const TransferProgress& p) override {
        if (onProgress) {
            onProgress(p);
        }
    }

    std::optional<std::string> file;
    ExistingFile answer = ExistingFile::Restart;
    bool askWhetherWhole = false;
    int filesAsked = 0;
    std::vector<std::optional<PartialDownload>> partials;
    std::vector<std::optional<bool>> endsThere;
    std::vector<std::pair<RecordingMode, LinearChannel>> modes;
    std::function<void(const TransferProgress&)> onProgress;
};

class DownloadJob : public testing::TempFolderTest {
  protected:
    DownloadResult download(SimBench& bench, const std::string& file,
                            ExistingFile existing = ExistingFile::Restart) {
        frontEnd.file = file;
        frontEnd.answer = existing;
        DownloadRequest request = requestTemplate;
        request.appVersion = "3.2.4";
        return runDownload(bench.job(errors, "DownloadErase"), request, frontEnd);
    }
    DownloadResult download(const device::SimOptions& options, const std::string& file,
                            ExistingFile existing = ExistingFile::Restart) {
        SimBench bench(options);
        return download(bench, file, existing);
    }

    // Page requests the device received after the parameter queries (read once each): 'r' and
    // an address for cells 42, 43, 100 to 109 and 2 to 17, and 'l', 'm'.
    static long pageRequests(SimBench& bench) {
        constexpr long kParameterBytes = 2 * 2 + 2 + 10 * 2 + 16 * 2;
        const auto rx = static_cast<long>(bench.receivedBytes().size());
        EXPECT_GE(rx, kParameterBytes);
        EXPECT_EQ((rx - kParameterBytes) % 3, 0);
        return (rx - kParameterBytes) / 3;
    }

    // Stops the downloads on `bench` once they are past `page`.
    void stopAfter(SimBench& bench, int page) {
        bench.stop = std::stop_source();
        frontEnd.onProgress = [&stop = bench.stoppable(), page](const TransferProgress& p) {
            if (p.page > page) {
                stop.request_stop();
            }
        };
    }

    static bool endsWithWholeLine(const std::string& text) {
        return text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
    }

    DownloadRequest requestTemplate;
    ScriptedFrontEnd frontEnd;
    testing::RecordingErrors errors;
};

TEST_F(DownloadJob, FaultyLine_GivesTheSameFilesAsACleanOne) {
    for (const auto preload : {device::Preload::Bin, device::Preload::Linear3}) {
        const auto clean = recording(preload, 150);
        auto faulty = clean;
        faulty.faults.lose = faulty.faults.extra = faulty.faults.shortReply = 0.01;
        faulty.faults.silenceEvery = link::ms(20000);
        faulty.faults.silenceLength = link::ms(3000);
        EXPECT_EQ(download(clean, path("clean.tlg")).end, DownloadEnd::Completed);
        requestTemplate.parameterReading = {.asks = 16,
                                            .untilReply = true};  // as tiltctl reads them
        EXPECT_EQ(download(faulty, path("faulty.tlg")).end, DownloadEnd::Completed);
        requestTemplate.parameterReading = {};
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

// The logger's recording is still there: its first data page is not erased.
bool stillRecorded(SimBench& bench) {
    return !link::isErasedPage(bench.memory().page(1));
}

// --erase-after: the memory goes only after a completed download whose file reads back whole;
// a halted download, and one continued but halted again, leave it, saying why.
TEST_F(DownloadJob, EraseAfter_OnlyAfterACompleteFileThatReadsBackWhole) {
    requestTemplate.eraseAfter = true;
    const auto options = recording(device::Preload::Linear3, 30);
    {
        SimBench bench(options);
        const auto done = download(bench, path("whole.tlg"));
        EXPECT_EQ(done.end, DownloadEnd::Completed);
        EXPECT_EQ(done.erase, EraseEnd::Completed);
        EXPECT_FALSE(stillRecorded(bench));
        EXPECT_TRUE(done.notErasedBecause.empty());
    }
    SimBench bench(options);
    requestTemplate.file = path("no such folder/rec.tlg");  // named: refused before anything
    const auto unwritable = download(bench, *requestTemplate.file);
    requestTemplate.file.reset();
    EXPECT_FALSE(unwritable.erase);
    EXPECT_THAT(unwritable.notErasedBecause, HasSubstr("did not complete"));
    EXPECT_TRUE(stillRecorded(bench));
    errors.reports.clear();

    stopAfter(bench, 10);
    const auto halted = download(bench, path("cut.tlg"));
    EXPECT_EQ(halted.end, DownloadEnd::Stopped);
    EXPECT_FALSE(halted.erase);
    EXPECT_THAT(halted.notErasedBecause, HasSubstr("halted"));
    EXPECT_TRUE(stillRecorded(bench));

    stopAfter(bench, 20);
    const auto resumed = download(bench, path("cut.tlg"), ExistingFile::Continue);
    EXPECT_EQ(resumed.end, DownloadEnd::Stopped);
    EXPECT_FALSE(resumed.erase);
    EXPECT_TRUE(stillRecorded(bench));

    bench.link.setStopToken({});
    frontEnd.onProgress = nullptr;
    const auto finished = download(bench, path("cut.tlg"), ExistingFile::Continue);
    EXPECT_EQ(finished.end, DownloadEnd::Completed);
    EXPECT_EQ(finished.erase, EraseEnd::Completed);
    EXPECT_FALSE(stillRecorded(bench));
    EXPECT_TRUE(readFile(path("cut.tlg")) == readFile(path("whole.tlg")));
    EXPECT_TRUE(errors.reports.empty());
}

// The read-back check finds what would make a file unfit to stand for the erased recording.
TEST_F(DownloadJob, FileReadBack_FindsAWrongHeaderAMissingPageAndABadLine) {
    const auto options = recording(device::Preload::Linear3, 12);
    SimBench bench(options);
    const auto done = download(bench, path("good.tlg"));
    ASSERT_EQ(done.end, DownloadEnd::Completed);
    const DataFileHeader& header = done.header;
    const std::string good = readFile(path("good.tlg"));
    EXPECT_EQ(verifyDownloadFile(path("good.tlg"), header, 12), std::nullopt);
    EXPECT_NE(verifyDownloadFile(path("good.tlg"), header, 13), std::nullopt) << "a page short";

    const auto lineStart = [&](int page) {
        return good.find("\r\n" + std::to_string(page) + ",") + 2;
    };
    struct Case {
        const char* name;
        std::string text;
    };
    std::string otherTares = good;
    otherTares.replace(otherTares.find("Tares: "), 7, "Tares:  ");
    std::string pageMissing = good;
    pageMissing.erase(lineStart(5), lineStart(6) - lineStart(5));
    std::string notANumber = good;
    notANumber.replace(good.find(',', lineStart(7)) + 1, 1, "x");
    std::string cutShort = good.substr(0, good.size() - 40);
    std::string noLineEnd = good.substr(0, good.size() - 2);
    for (const Case& c :
         {Case{"another header", otherTares}, Case{"page 5 missing", pageMissing},
          Case{"a field that is no number", notANumber}, Case{"the last line cut short", cutShort},
          Case{"the last line end missing", noLineEnd}}) {
        writeFile(path("bad.tlg"), c.text);
        EXPECT_NE(verifyDownloadFile(path("bad.tlg"), header, 12), std::nullopt) << c.name;
    }
    EXPECT_NE(verifyDownloadFile(path("missing.tlg"), header, 12), std::nullopt);
}

TEST_F(DownloadJob, StoppedAndCutOff_ContinuesToTheSameFile_AndAWholeFileAsksForNothing) {
    const auto options = recording(device::Preload::Linear3, 60);
    ASSERT_EQ(download(options, path("whole.tlg")).end, DownloadEnd::Completed);

    SimBench bench(options);
    stopAfter(bench, 25);
    const auto stopped = download(bench, path("cut.tlg"));
    EXPECT_EQ(stopped.end, DownloadEnd::Stopped);
    EXPECT_EQ(stopped.pagesInFile, 25);
    EXPECT_FALSE(std::filesystem::exists(path("cut.csv"))) << "no CSV for a stopped download";
    frontEnd.onProgress = nullptr;
    // A kill in the middle of a write leaves half a line behind.
    std::ofstream(path("cut.tlg"), std::ios::binary | std::ios::app) << "26,12.3,4";

    SimBench continuing(options);
    frontEnd.askWhetherWhole = true;
    const auto continued = download(continuing, path("cut.tlg"), ExistingFile::Continue);
    ASSERT_TRUE(frontEnd.partials.back());
    EXPECT_TRUE(frontEnd.partials.back()->cutOff);
    EXPECT_EQ(frontEnd.endsThere.back(), false) << "page 26 holds data";
    EXPECT_EQ(continued.firstPage, 26);
    // After the parameters: page 0 and page 26 for the question, then the transfer, which asks
    // for page 0 first as every transfer does, and goes on at page 26.
    const auto sent = continuing.receivedBytes();
    constexpr std::size_t kParameterBytes = 2 * 2 + 2 + 10 * 2 + 16 * 2;
    ASSERT_GT(sent.size(), kParameterBytes + 12);
    EXPECT_EQ(std::vector<std::uint8_t>(sent.begin() + kParameterBytes,
                                        sent.begin() + kParameterBytes + 12),
              (std::vector<std::uint8_t>{'d', 0, 0, 'd', 0, 26, 'd', 0, 0, 'd', 0, 26}));
    EXPECT_EQ(continued.end, DownloadEnd::Completed);
    EXPECT_TRUE(readFile(path("cut.tlg")) == readFile(path("whole.tlg"))) << "the files differ";
    EXPECT_TRUE(readFile(path("cut.csv")) == readFile(path("whole.csv"))) << "the CSVs differ";

    // The whole recording in the file: the logger's next page is erased.
    SimBench whole(options);
    ASSERT_EQ(download(whole, path("whole.tlg"), ExistingFile::Refuse).end, DownloadEnd::Refused);
    EXPECT_EQ(frontEnd.endsThere.back(), true);
    frontEnd.askWhetherWhole = false;

    // A full memory downloaded once: continuing it finds nothing left to ask for.
    const auto full = recording(device::Preload::Bin, 2047);
    ASSERT_EQ(download(full, path("full.tlg")).end, DownloadEnd::Completed);
    const std::string before = readFile(path("full.tlg"));
    SimBench again(full);
    const auto complete = download(again, path("full.tlg"), ExistingFile::Continue);
    EXPECT_EQ(complete.end, DownloadEnd::AlreadyComplete);
    EXPECT_EQ(complete.pagesInFile, 2047);
    EXPECT_EQ(pageRequests(again), 0);
    EXPECT_TRUE(readFile(path("full.tlg")) == before);
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(DownloadJob, ExistingFiles_AreJudgedByTheirRecording) {
    ASSERT_EQ(download(recording(device::Preload::Linear1, 5), path("a.tlg")).end,
              DownloadEnd::Completed);
    auto other = recording(device::Preload::Linear1, 5);
    other.seed = 99;  // another logger: another serial number
    SimBench bench(other);
    const auto refused = download(bench, path("a.tlg"), ExistingFile::Refuse);
    EXPECT_EQ(refused.end, DownloadEnd::Refused);
    ASSERT_FALSE(frontEnd.partials.empty());
    EXPECT_FALSE(frontEnd.partials.back()) << "another recording's file is no partial download";
    EXPECT_EQ(pageRequests(bench), 0);
    EXPECT_FALSE(partialDownloadOf("/dev/zero", {})) << "a device is read for ever";
}

TEST_F(DownloadJob, NamedFileThatCannotBeWritten_IsRefusedBeforeAnythingIsSent) {
    writeFile(path("notes.txt"), "a file, not a folder");
    for (const std::string& file : {path("no such folder/walk.tlg"), path("notes.txt/walk.tlg")}) {
        SimBench bench(recording(device::Preload::Linear1, 5));
        errors.reports.clear();
        requestTemplate.file = file;
        const auto result = download(bench, file);
        EXPECT_EQ(result.end, DownloadEnd::FileFailed) << file;
        EXPECT_TRUE(bench.receivedBytes().empty()) << file;
        ASSERT_EQ(errors.reports.size(), 1U) << file;
        EXPECT_EQ(errors.reports[0].source, "CreateDataFile");
        EXPECT_THAT(errors.reports[0].description, HasSubstr(file));
        EXPECT_EQ(frontEnd.filesAsked, 0);
    }
    EXPECT_FALSE(std::filesystem::exists(path("no such folder")));

    // The window names its file after the parameters: a header that cannot be written stops the
    // download before any page is asked for.
    SimBench bench(recording(device::Preload::Linear1, 5));
    errors.reports.clear();
    requestTemplate.file.reset();
    const auto full = download(bench, "/dev/full");
    EXPECT_EQ(full.end, DownloadEnd::FileFailed);
    EXPECT_EQ(pageRequests(bench), 0);
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].number, errc::kDiskFull);
}

// The disk fills up with the CSV file: the download has completed, and the result says the
// CSV file is not whole, so that nobody takes it for one.
TEST_F(DownloadJob, DiskFullAtTheCsv_CompletesTheDownloadAndSaysTheCsvFailed) {
    const auto options = recording(device::Preload::Linear3, 30);
    const auto clean = download(options, path("whole.tlg"));
    ASSERT_EQ(clean.end, DownloadEnd::Completed);
    EXPECT_FALSE(clean.csvFailed);
    const auto tlgBytes = std::filesystem::file_size(path("whole.tlg"));
    const auto csvBytes = std::filesystem::file_size(path("whole.csv"));
    ASSERT_GT(csvBytes, tlgBytes + 100) << "a limit between the two sizes is needed";
    DownloadResult full;
    {
        const testing::FileSizeLimit disk(tlgBytes + 50);
        full = download(options, path("again.tlg"));
    }
    EXPECT_EQ(full.end, DownloadEnd::Completed);
    EXPECT_TRUE(full.csvFailed);
    EXPECT_TRUE(readFile(path("again.tlg")) == readFile(path("whole.tlg")));
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].source, "MakeLinearCSV");
}

TEST_F(DownloadJob, DiskFullAtAPage_KeepsWholeLinesNamesThePage_AndContinuesLaterByteForByte) {
    const auto options = recording(device::Preload::Linear3, 30);
    ASSERT_EQ(download(options, path("whole.tlg")).end, DownloadEnd::Completed);
    const std::string whole = readFile(path("whole.tlg"));
    // Room for the header and ten pages and a half.
    const auto pageTen = whole.find("\r\n11,");
    ASSERT_NE(pageTen, std::string::npos);
    SimBench bench(options);
    DownloadResult full;
    {
        const testing::FileSizeLimit disk(pageTen + 2 + 700);
        full = download(bench, path("cut.tlg"));
    }
    EXPECT_EQ(full.end, DownloadEnd::FileFailed);
    EXPECT_EQ(full.pagesInFile, 10);
    EXPECT_EQ(pageRequests(bench), 12) << "no page after the one that could not be written";
    EXPECT_TRUE(readFile(path("cut.tlg")) == whole.substr(0, pageTen + 2))
        << "not cut back to whole lines";
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].source, "WriteDownloadPagesToFile");
    EXPECT_THAT(errors.reports[0].description, HasSubstr(path("cut.tlg")));
    EXPECT_THAT(errors.reports[0].description, HasSubstr("Page 11 was not written"));
    EXPECT_FALSE(std::filesystem::exists(path("cut.csv")));

    errors.reports.clear();
    const auto continued = download(options, path("cut.tlg"), ExistingFile::Continue);
    EXPECT_EQ(continued.end, DownloadEnd::Completed);
    EXPECT_EQ(continued.firstPage, 11);
    EXPECT_TRUE(readFile(path("cut.tlg")) == whole) << "the continued file differs";
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(DownloadJob, AdapterPulledOut_EndsAtOnceWithOneReport_KeepingWholeLines) {
    SimBench bench(recording(device::Preload::Linear2, 40));
    frontEnd.onProgress = [&](const TransferProgress& p) {
        if (p.page == 8) {
            bench.catalogue.line(bench.port)->unplug();
        }
    };
    const auto start = bench.clock.now();
    const auto result = download(bench, path("pulled.tlg"));
    EXPECT_EQ(result.end, DownloadEnd::PortFailed);
    EXPECT_LT(bench.clock.now() - start, link::ms(10000)) << "no waiting on a lost port";
    EXPECT_EQ(result.pagesInFile, 7);
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].number, errc::kPortLost);
    EXPECT_EQ(errors.reports[0].source, "MSComm1_OnComm");
    EXPECT_THAT(errors.reports[0].description,
                HasSubstr("on sim was lost: the cable or adapter was disconnected"));
    EXPECT_TRUE(endsWithWholeLine(readFile(path("pulled.tlg"))));
    EXPECT_FALSE(bench.link.isOpen());
}

// A port lost under a parameter query fails that step without a report of its own (its message
// tells the user); the mode and channel reach the front end as soon as their step has them.
TEST_F(DownloadJob, AdapterPulledOutDuringTheParameters_FailsTheStepUnreported) {
    struct Case {
        std::size_t writesBeforeLoss;
        ParameterStep failed;
        std::size_t modesShown;
    };
    // Mode: 4 bytes; firmware: 2; header 1: 20.
    for (const Case& c : {Case{2, ParameterStep::Mode, 0}, Case{5, ParameterStep::Firmware, 1},
                          Case{10, ParameterStep::Header1, 1}}) {
        SimBench bench(recording(device::Preload::Linear3, 5));
        bench.catalogue.line(bench.port)->unplugAfterWrites(c.writesBeforeLoss);
        frontEnd.modes.clear();
        const auto result = download(bench, path("never.tlg"));
        EXPECT_EQ(result.end, DownloadEnd::ParametersFailed) << c.writesBeforeLoss;
        EXPECT_EQ(result.failedStep, c.failed) << c.writesBeforeLoss;
        EXPECT_THAT(result.parameterPortFailure, HasSubstr("was lost"));
        EXPECT_TRUE(errors.reports.empty()) << errors.reports[0].source;
        ASSERT_EQ(frontEnd.modes.size(), c.modesShown);
        if (c.modesShown > 0) {
            EXPECT_EQ(frontEnd.modes[0],
                      std::make_pair(RecordingMode::Linear, LinearChannel::Both));
        }
        EXPECT_FALSE(std::filesystem::exists(path("never.tlg")));
    }
}

TEST_F(DownloadJob, SilenceLimit_EndsAStalledTransfer_WithoutOneTheWatchdogAsksOn) {
    auto options = recording(device::Preload::Linear1, 40);
    options.faults.silenceEvery = link::ms(8000);
    options.faults.silenceLength = link::ms(60000);
    requestTemplate.giveUpAfterSilence = link::ms(10000);
    SimBench bench(options);
    const auto start = bench.clock.now();
    const auto result = download(bench, path("silent.tlg"));
    EXPECT_EQ(result.end, DownloadEnd::DeviceSilent);
    const double seconds = bench.msSince(start) / 1000;
    EXPECT_GT(seconds, 8 + 10 - 1);
    EXPECT_LT(seconds, 8 + 10 + 2);
    EXPECT_GT(result.pagesInFile, 0);
    EXPECT_TRUE(errors.reports.empty());
}

}  // namespace
}  // namespace tilt::logging
