#include <gtest/gtest.h>

#include <array>

#include "logging/data_file.h"
#include "support/temp_folder.h"

namespace tilt::logging {
namespace {

std::string headerText(std::uint8_t mode, std::uint8_t channel) {
    DataFileHeader header;
    header.mode = RecordingMode{mode};
    header.channel = LinearChannel{channel};
    std::string text;
    for (const auto& line : headerLines(kDownloadPages, header)) {
        text += line + "\r\n";
    }
    return text;
}

std::string pageLine(int page, std::uint8_t mode, std::uint8_t channel) {
    std::array<std::uint8_t, 264> bytes{};
    bytes.fill(static_cast<std::uint8_t>(page));
    return std::to_string(page) + "," +
           pageLineText(bytes, RecordingMode{mode}, LinearChannel{channel}) + "\r\n";
}

class InspectPartialDownloadTest : public testing::TempFolderTest {};

TEST_F(InspectPartialDownloadTest, FindsTheLastCompletePageAndWhatFollowsIt) {
    struct Case {
        const char* what;
        std::uint8_t mode, channel;
        int pages;          // complete page lines after the header
        std::string after;  // what follows them
        bool cutOff;
    };
    const std::string page3 = pageLine(3, 1, 1);
    const std::string page3Bin = pageLine(3, 0, 1);
    const Case cases[] = {
        {"complete", 1, 1, 2, "", false},
        {"no pages yet", 1, 3, 0, "", false},
        {"bin, complete", 0, 2, 2, "", false},
        {"channel 3, complete", 1, 3, 2, "", false},
        {"undefined mode, complete", 2, 1, 2, "", false},
        {"cut mid-line", 1, 1, 2, page3.substr(0, 700), true},
        {"last value without line end", 1, 1, 2, page3.substr(0, page3.size() - 2), true},
        {"LF without CR", 1, 1, 2, page3.substr(0, page3.size() - 2) + "\n", true},
        {"a value short", 1, 1, 2, page3.substr(0, page3.rfind(',')) + "\r\n", true},
        {"bin line in a linear file", 1, 1, 2, page3Bin, true},
        {"no page number", 2, 1, 2, ",\r\n", true},
        {"undefined mode, cut after the number", 2, 1, 2, "3", true},
        {"cut in the first page", 0, 1, 0, "1,0,0", true},
    };
    for (const auto& c : cases) {
        std::string complete = headerText(c.mode, c.channel);
        for (int page = 1; page <= c.pages; ++page) {
            complete += pageLine(page, c.mode, c.channel);
        }
        writeFile(folder / "d.tlg", complete + c.after);

        const auto found = inspectPartialDownload(folder / "d.tlg");
        ASSERT_TRUE(found) << c.what;
        EXPECT_EQ(found->header.size(), 12u) << c.what;
        EXPECT_EQ(found->header[9], "Bin/Linear Mode = " + std::to_string(int(c.mode)));
        EXPECT_EQ(found->lastPage, c.pages) << c.what;
        EXPECT_EQ(found->completeBytes, complete.size()) << c.what;
        EXPECT_EQ(found->cutOff, c.cutOff) << c.what;
    }
}

TEST_F(InspectPartialDownloadTest, OnlyReadableDownloadFilesCount) {
    DataFileHeader header;
    std::string angles;
    for (const auto& line : headerLines(kAngles, header)) {
        angles += line + "\r\n";
    }
    writeFile(folder / "angles.tlg", angles);
    writeFile(folder / "one line.tlg", "Veltrimonic Tiltavarometer Data File Version 3.2.4\r\n");
    EXPECT_FALSE(inspectPartialDownload(folder / "angles.tlg"));
    EXPECT_FALSE(inspectPartialDownload(folder / "one line.tlg"));
    EXPECT_FALSE(inspectPartialDownload(folder / "missing.tlg"));
    EXPECT_FALSE(inspectPartialDownload(folder));
}

}  // namespace
}  // namespace tilt::logging
