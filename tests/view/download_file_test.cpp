#include "view/download_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/recording_errors.h"
#include "support/temp_folder.h"

namespace tilt::view {
namespace {

class DownloadFileTest : public testing::TempFolderTest {
  protected:
    void SetUp() override {
        TempFolderTest::SetUp();
        file = path("data.tlg");
    }

    void write(const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

    static std::string header(const std::string& kind, const std::string& mode,
                              const std::string& channel) {
        return "Veltrimonic Tiltavarometer Data File Version 3.2.4\r\n" + kind +
               "\r\nFirmware Version: 2.15\r\nSerial Number: 7521\r\nLaunch Time: x\r\n"
               "Firmware Sampling Frequency: 15\r\nChannel Gains: \r\nChannel Offsets: \r\n"
               "Tares: \r\n" +
               mode + "\r\n" + channel + "\r\nPage,Data-->\r\n";
    }
    // A bin page line whose bins count `first`, `first` + 1, ...
    static std::string binLine(const std::string& page, int first) {
        std::string line = page;
        for (int i = 0; i < kBins; ++i) {
            line += "," + std::to_string(first + i);
        }
        return line + "\r\n";
    }

    std::string file;
    testing::RecordingErrors errors;
};

TEST_F(DownloadFileTest, HeaderTellsTheModeAndTheChannel) {
    struct Case {
        std::string kind, mode, channel;
        FileMode expected;
        int linearChannel;
    };
    for (const auto& c :
         {Case{"Download Pages", "Bin/Linear Mode = 0", "Linear Channel = 3", FileMode::Bin, 3},
          Case{"Download Pages", "Bin/Linear Mode = 1", "Linear Channel = 2", FileMode::Linear, 2},
          Case{"Download Pages", "Bin/Linear Mode = 2", "Linear Channel = 1", FileMode::Other, 1},
          Case{"Download Pages ", "Bin/Linear Mode = 0", "Linear Channel = 1",
               FileMode::NotDownloadPages, 0},
          Case{"Angles", "Time(seconds),Angle X,Angle Y", "0.1,1,2", FileMode::NotDownloadPages,
               0}}) {
        write(header(c.kind, c.mode, c.channel));
        const auto h = readDownloadFileHeader(file);
        ASSERT_TRUE(h);
        EXPECT_EQ(h->mode, c.expected) << c.kind << " / " << c.mode;
        EXPECT_EQ(cellValue(h->channel), c.linearChannel) << c.channel;
    }
    write("");
    EXPECT_EQ(readDownloadFileHeader(file)->mode, FileMode::Empty);
    // Ten lines cannot hold the header, whatever line 2 says.
    write("a\r\nDownload Pages\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n");
    EXPECT_EQ(readDownloadFileHeader(file)->mode, FileMode::Short);
    EXPECT_FALSE(readDownloadFileHeader(file + ".missing"));
}

TEST_F(DownloadFileTest, ButtonPushViewTakesTwoChannelLinearDownloadsOnly) {
    std::string text = header("Download Pages", "Bin/Linear Mode = 1", "Linear Channel = 3");
    text.replace(text.find("Page,Data-->"), 12, "Page,X Data-->,Y Data-->");
    write(text);
    EXPECT_EQ(readButtonPushHeader(file), ButtonPushHeader::Supported);
    // Line 2 is not looked at.
    text.replace(text.find("Download Pages"), 14, "Something else");
    write(text);
    EXPECT_EQ(readButtonPushHeader(file), ButtonPushHeader::Supported);
    for (const auto& other :
         {header("Download Pages", "Bin/Linear Mode = 1", "Linear Channel = 2"),
          header("Download Pages", "Bin/Linear Mode = 0", "Linear Channel = 3"),
          header("Download Pages", "Bin/Linear Mode = 1", "Linear Channel = 3")}) {
        write(other);  // the last has a one-channel column line
        EXPECT_EQ(readButtonPushHeader(file), ButtonPushHeader::NotSupported);
    }
    write(text.substr(0, text.rfind("Page,")));
    EXPECT_EQ(readButtonPushHeader(file), ButtonPushHeader::Short);
    write("");
    EXPECT_EQ(readButtonPushHeader(file), ButtonPushHeader::Empty);
}

TEST_F(DownloadFileTest, PagesAreFoundByTheirWholeFirstField) {
    write(header("Download Pages", "Bin/Linear Mode = 0", "Linear Channel = 3") +
          binLine("12", 500) + binLine("1", 1) + binLine("2", 1001) + binLine("3", 7));
    const auto pages = BinPages::load(file);
    ASSERT_TRUE(pages);
    PointArray x{};
    PointArray y{};
    ASSERT_EQ(pages->locate(1, x, y, errors, "Graph"), BinPages::Located::Found);
    EXPECT_EQ(x[0], 1) << "page 12 is not page 1";
    EXPECT_EQ(x[131], 132);
    EXPECT_EQ(y[0], 1001) << "the next line is the Y page";
    EXPECT_EQ(pages->locate(3, x, y, errors, "Graph"), BinPages::Located::EndOfFile);
    EXPECT_EQ(pages->locate(5, x, y, errors, "Graph"), BinPages::Located::NotFound);
    EXPECT_EQ(x[0], 1) << "a missing page leaves the arrays";
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(DownloadFileTest, BrokenBinLine_IsReportedAsBig) {
    std::string shortLine = binLine("1", 1);
    shortLine.erase(shortLine.rfind(','));
    shortLine += "\r\n";
    write(header("Download Pages", "Bin/Linear Mode = 0", "Linear Channel = 1") + shortLine +
          binLine("2", 1) + binLine("3", 1) + "4,x" + binLine("", 1));
    const auto pages = BinPages::load(file);
    PointArray x{};
    PointArray y{};
    EXPECT_EQ(pages->locate(1, x, y, errors, "Graph"), BinPages::Located::Failed);
    EXPECT_EQ(pages->locate(3, x, y, errors, "Graph"), BinPages::Located::Failed);
    ASSERT_EQ(errors.reports.size(), 2U);
    EXPECT_EQ(errors.reports[0].source, "Big");
    EXPECT_EQ(errors.reports[1].number, 13);
}

}  // namespace
}  // namespace tilt::view
