#include "logging/data_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <functional>

#include "common/app_state.h"
#include "support/recording_errors.h"
#include "support/scripted_file_dialogs.h"
#include "support/temp_folder.h"

namespace tilt::logging {
namespace {

namespace fs = std::filesystem;
using testing::crlfLines;
using testing::RecordingErrors;
using testing::ScriptedFileDialogs;
using Page = std::array<std::uint8_t, 264>;

std::string repeated(const std::string& field, int count) {
    std::string text = field;
    for (int i = 1; i < count; ++i) {
        text += "," + field;
    }
    return text;
}

Page pageOf(std::initializer_list<std::uint8_t> pattern) {
    Page page{};
    for (std::size_t i = 0; i < page.size(); ++i) {
        page[i] = pattern.begin()[i % pattern.size()];
    }
    return page;
}

TEST(SampleAngle, DecodesBothHalvesWithTiesToEven) {
    struct Case {
        std::uint8_t sample;
        double fullScale;
        double degrees;
    };
    const Case cases[] = {
        {0, 180, 0},      {8, 180, 11.2},  {24, 180, 33.8}, {16, 90, 11.2},     {127, 180, 178.6},
        {127, 90, 89.3},  {128, 180, 180}, {128, 90, 90},   {129, 180, -177.2}, {247, 180, -11.2},
        {254, 180, -1.4}, {254, 90, -.7},  {255, 180, 0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(sampleAngle(c.sample, c.fullScale), c.degrees)
            << int{c.sample} << " of " << c.fullScale;
    }
}

TEST(PageLineText, GivesTheTextOfEachModeAndChannel) {
    struct Case {
        const char* what;
        Page page;
        std::uint8_t mode, channel;
        std::string text;
    };
    Page bins{};
    bins[0] = 0x01, bins[1] = 0x02, bins[2] = 0xFF, bins[3] = 0xFF, bins[263] = 0x07;
    const std::string binText = "258,65535," + repeated("0", 129) + ",7";
    const Case cases[] = {
        {"bin counts are big-endian words", bins, 0, 1, binText},
        {"bin ignores the channel", bins, 0, 3, binText},
        {"channel 1 is X", pageOf({128}), 1, 1, repeated("180", 264)},
        {"channel 2 is Y", pageOf({128}), 1, 2, repeated("90", 264)},
        {"127 alone on channel 1 is an angle", pageOf({127}), 1, 1, repeated("178.6", 264)},
        {"channel 3 pairs X then Y", pageOf({8, 16}), 1, 3, repeated("11.2,11.2", 132)},
        {"two markers are a button push", pageOf({127, 127}), 1, 3, repeated("BP,BP", 132)},
        {"a marker in X alone is an angle", pageOf({127, 0}), 1, 3, repeated("178.6,0", 132)},
        {"a marker in Y alone is an angle", pageOf({0, 127}), 1, 3, repeated("0,89.3", 132)},
        {"undefined mode", pageOf({1}), 2, 1, ""},
        {"linear channel 4", pageOf({1}), 1, 4, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(pageLineText(c.page, RecordingMode{c.mode}, LinearChannel{c.channel}), c.text)
            << c.what;
    }
}

TEST(HeaderLines, EndsWithTheLinesOfTheKindModeAndChannel) {
    struct Case {
        std::string_view kind;
        std::uint8_t mode, channel;
        std::vector<std::string> tail;  // after line 9
    };
    const Case cases[] = {
        {kDownloadPages, 0, 3, {"Bin/Linear Mode = 0", "Linear Channel = 3", "Page,Data-->"}},
        {kDownloadPages, 1, 1, {"Bin/Linear Mode = 1", "Linear Channel = 1", "Page,X Data-->"}},
        {kDownloadPages, 1, 2, {"Bin/Linear Mode = 1", "Linear Channel = 2", "Page,Y Data-->"}},
        {kDownloadPages,
         1,
         3,
         {"Bin/Linear Mode = 1", "Linear Channel = 3", "Page,X Data-->,Y Data-->"}},
        {kDownloadPages, 2, 1, {"Bin/Linear Mode = 2", "Linear Channel = 1", ""}},
        {kAccelerometers, 1, 3, {"Time(seconds),Acc X,Acc Y,Acc Z"}},
        {"Something else", 1, 3, {}},
    };
    for (const auto& c : cases) {
        DataFileHeader header;
        header.serialNumber = 1042;
        header.mode = RecordingMode{c.mode};
        header.channel = LinearChannel{c.channel};
        const auto lines = headerLines(c.kind, header);
        ASSERT_EQ(lines.size(), 9 + c.tail.size()) << c.kind;
        EXPECT_EQ(lines[1], c.kind);
        EXPECT_EQ(lines[3], "Serial Number: 1042");
        EXPECT_EQ(std::vector<std::string>(lines.begin() + 9, lines.end()), c.tail)
            << c.kind << " " << int{c.mode} << "/" << int{c.channel};
    }
}

class CreateDataFileTest : public testing::TempFolderTest {
  protected:
    ScriptedFileDialogs dialogs;
    DataFileHeader header;
};

TEST_F(CreateDataFileTest, Cancel_CreatesNothing) {
    EXPECT_FALSE(createDataFile(dialogs, folder, kAngles, header));
    ASSERT_EQ(dialogs.requests.size(), 1u);
    const auto& request = dialogs.requests[0];
    EXPECT_EQ(request.filter, "All Files (*.*);;Text Files(*.txt);;TLG Files (*.tlg)");
    EXPECT_EQ(request.selectedFilter, "TLG Files (*.tlg)");
    EXPECT_EQ(request.defaultSuffix, "tlg") << "a name typed without one gets .tlg";
    EXPECT_EQ(request.folder, folder.string());
    EXPECT_TRUE(fs::is_empty(folder));
}

TEST_F(CreateDataFileTest, ChosenFile_IsEmptiedAndGetsTheHeaderAsTyped) {
    writeFile(folder / "walk", std::string(5000, 'x'));  // no extension is added
    dialogs.answers.push_back(path("walk"));
    AppState beforeAnyDownload;
    beforeAnyDownload.appVersion = "3.2.4";
    beforeAnyDownload.downloadedHeader = DataFileHeader{};
    beforeAnyDownload.downloadedHeader->firmwareVersion = "1,07";  // plain text here

    EXPECT_EQ(createDataFile(dialogs, folder, kAccelerometers, liveFileHeader(beforeAnyDownload)),
              path("walk"));
    EXPECT_EQ(readFile(folder / "walk"),
              crlfLines({"Veltrimonic Tiltavarometer Data File Version 3.2.4", "Accelerometers",
                         "Firmware Version: 1,07", "Serial Number: 0",
                         "Launch Time: ", "Firmware Sampling Frequency: ", "Channel Gains: ",
                         "Channel Offsets: ", "Tares: ", "Time(seconds),Acc X,Acc Y,Acc Z"}));
    EXPECT_FALSE(fs::exists(folder / "walk.tlg"));
}

TEST_F(CreateDataFileTest, UncreatableFile_StillGivesItsPath) {
    dialogs.answers.push_back(path("missing/walk.tlg"));
    EXPECT_EQ(createDataFile(dialogs, folder, kDownloadPages, header), path("missing/walk.tlg"));
}

class LineWritersTest : public CreateDataFileTest {};

TEST_F(LineWritersTest, EachWriterAppendsOneLineAfterTheHeader) {
    dialogs.answers.push_back(path("live.tlg"));
    const auto file = createDataFile(dialogs, folder, "no column line", header);
    ASSERT_TRUE(file);
    const std::string headerText = readFile(*file);
    RecordingErrors errors;

    writeAnglesToFile(*file, "1.5", -177.2, 0.7, errors);
    writeAccelerometersToFile(*file, "2.25", 512, -3, -0.0, errors);
    EXPECT_TRUE(writeDownloadPagesToFile(*file, 2047, "BP,BP", errors));

    EXPECT_TRUE(errors.reports.empty());
    EXPECT_EQ(readFile(*file),
              headerText + crlfLines({"1.5,-177.2,.7", "2.25,512,-3,0", "2047,BP,BP"}));
}

TEST_F(LineWritersTest, FailuresAreReportedUnderTheWritersNameAndTheCallerGoesOn) {
    struct Target {
        std::string path;
        std::int32_t number;
    };
    std::vector<Target> targets = {
        {path("gone.tlg"), 53},
        {"/dev/full", 61},
        {folder.string(), 75},  // a folder is no file to append to
    };
    if (geteuid() != 0) {  // root writes to read-only files
        writeFile(folder / "locked.tlg", "");
        fs::permissions(folder / "locked.tlg", fs::perms::owner_read);
        targets.push_back({path("locked.tlg"), 70});
    }
    using Writer = std::function<void(const std::string&, ErrorReporter&)>;
    const std::pair<std::string, Writer> writers[] = {
        {"WriteDownloadPagesToFile",
         [](const std::string& p, ErrorReporter& e) {
             EXPECT_FALSE(writeDownloadPagesToFile(p, 1, "0", e));
         }},
        {"WriteAnglesToFile",
         [](const std::string& p, ErrorReporter& e) { writeAnglesToFile(p, "0", 1, 2, e); }},
        {"WriteAccelerometersToFile",
         [](const std::string& p, ErrorReporter& e) {
             writeAccelerometersToFile(p, "0", 1, 2, 3, e);
         }},
    };
    for (const auto& target : targets) {
        for (const auto& [name, write] : writers) {
            RecordingErrors errors;
            write(target.path, errors);
            ASSERT_EQ(errors.reports.size(), 1u) << name << " " << target.path;
            const auto& report = errors.reports[0];
            EXPECT_EQ(report.number, target.number) << name << " " << target.path;
            EXPECT_EQ(report.source, name);
            EXPECT_EQ(report.screen, "General");
            EXPECT_NE(report.description.find(target.path), std::string::npos)
                << report.description;
        }
    }
    EXPECT_FALSE(fs::exists(folder / "gone.tlg")) << "a missing data file must not be recreated";
}

}  // namespace
}  // namespace tilt::logging
