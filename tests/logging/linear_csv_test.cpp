#include "logging/linear_csv.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "support/recording_errors.h"
#include "support/temp_folder.h"

namespace tilt::logging {
namespace {

namespace fs = std::filesystem;
using testing::crlfLines;
using testing::RecordingErrors;

std::string headerFor(const std::string& channelLine) {
    return crlfLines({"Veltrimonic Tiltavarometer Data File Version 3.2.4", "Download Pages",
                      "Firmware Version: 1.07", "Serial Number: 7",
                      "Launch Time: ", "Firmware Sampling Frequency: 12.5", "Channel Gains: ",
                      "Channel Offsets: ", "Tares: ", "Bin/Linear Mode = 1", channelLine});
}

TEST(CsvPathFor, ReplacesTheLastFourCharacters) {
    EXPECT_EQ(csvPathFor("walk.tlg"), "walk.csv");
    EXPECT_EQ(csvPathFor("/data/v1.2/walk.tlg"), "/data/v1.2/walk.csv");
    EXPECT_EQ(csvPathFor("walk12"), "wa.csv");
    EXPECT_EQ(csvPathFor("walk"), ".csv");
    EXPECT_EQ(csvPathFor("walk\xC3\xB6"), "w.csv");  // "walkö": five characters, six bytes
    try {
        (void)csvPathFor("abc");
        ADD_FAILURE() << "a three-character name was accepted";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), errc::kBadArgument);
    }
}

class MakeLinearCSVTest : public testing::TempFolderTest {
  protected:
    RecordingErrors errors;
};

TEST_F(MakeLinearCSVTest, ReplacesTheCsvWithTheHeaderAndOneValueOrPairPerLine) {
    struct Case {
        const char* what;
        std::string channelLine;
        std::string pages;  // after the column line
        std::string body;   // after the copied header
    };
    const Case cases[] = {
        {"channel 1", "Linear Channel = 1", "1,1.4,,-.7\r\n2,BP\r\n",
         crlfLines({"X angle", "1.4", "", "-.7", "BP"})},
        {"channel 2", "Linear Channel = 2", "1,90\r\n", crlfLines({"Y angle", "90"})},
        {"channel 3", "Linear Channel = 3", "1,1,2,BP,BP,3,4\r\n2,5,6,7\r\n",
         crlfLines({"X angle,Y angle", "1,2", "BP,BP", "3,4", "5,6"})},
        {"a cut-off last line", "Linear Channel = 1", "1,4,5\r\n2,6,7",
         crlfLines({"X angle", "4", "5", "6", "7"})},
        {"no page lines", "Linear Channel = 3", "", crlfLines({"X angle,Y angle"})},
        {"no column line either", "Linear Channel = 2", "-", crlfLines({"Y angle"})},
        {"no channel", "Linear Channel = 0", "1,5,6\r\n", ""},
    };
    for (const auto& c : cases) {
        const std::string header = headerFor(c.channelLine);
        const bool withColumnLine = c.pages != "-";
        writeFile(folder / "walk.tlg",
                  header + (withColumnLine ? "Page,X Data-->\r\n" + c.pages : ""));
        writeFile(folder / "walk.csv", std::string(100000, 'x'));  // replaced without a question
        makeLinearCsv(path("walk.tlg"), errors, "DownloadErase");
        EXPECT_EQ(readFile(folder / "walk.csv"), header + c.body) << c.what;
    }
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(MakeLinearCSVTest, FailuresAreReportedAndKeepWhatWasWritten) {
    struct Case {
        const char* what;
        std::string dataFile;
        std::int32_t number;
        std::string named;  // the file the error text must name
    };
    const std::string shortFile = crlfLines({"one", "Download Pages", "three"});
    writeFile(folder / "short.tlg", shortFile);
    writeFile(folder / "dir.tlg", headerFor("Linear Channel = 1"));
    fs::create_directory(folder / "dir.csv");
    const Case cases[] = {
        {"fewer than eleven lines", path("short.tlg"), 62, path("short.tlg")},
        {"missing data file", path("gone.tlg"), 53, path("gone.tlg")},
        {"CSV path is a folder", path("dir.tlg"), 75, path("dir.csv")},
        {"name too short", "abc", 5, "abc"},
    };
    for (const auto& c : cases) {
        errors.reports.clear();
        makeLinearCsv(c.dataFile, errors, "DownloadErase");
        ASSERT_EQ(errors.reports.size(), 1u) << c.what;
        const auto& report = errors.reports[0];
        EXPECT_EQ(report.number, c.number) << c.what << ": " << report.description;
        EXPECT_EQ(report.source, "MakeLinearCSV");
        EXPECT_EQ(report.screen, "DownloadErase");
        EXPECT_NE(report.description.find(c.named), std::string::npos) << report.description;
    }
    EXPECT_EQ(readFile(folder / "short.csv"), shortFile);
    EXPECT_FALSE(fs::exists(folder / "gone.csv"));
}

}  // namespace
}  // namespace tilt::logging
