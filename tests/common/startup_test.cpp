#include "common/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/recording_errors.h"
#include "support/temp_folder.h"

namespace tilt {
namespace {

namespace fs = std::filesystem;

class StartupTest : public testing::TempFolderTest {
  protected:
    StartupInputs inputs(std::string savedPort) const {
        StartupInputs in;
        in.major = 3;
        in.minor = 2;
        in.revision = 4;
        in.savedCommPort = [savedPort] { return savedPort; };
        in.paths.root = folder;
        return in;
    }

    AppState state;
    testing::RecordingErrors errors;
};

TEST_F(StartupTest, FillsTheSharedStateAndCreatesTheFolders) {
    runStartup(state, inputs("1"), errors);
    EXPECT_EQ(state.appVersion, "3.2.4");
    EXPECT_EQ(state.pageCount, 2048);
    EXPECT_EQ(state.commPort, 1);
    EXPECT_TRUE(fs::is_directory(folder / "Data Files"));
    EXPECT_TRUE(fs::is_directory(folder / "Logs"));
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(StartupTest, SavedPortText_GivesItsLeadingNumberRoundedHalfToEven) {
    // How a text reads and rounds is leadingNumber's and toInt16's to test; here, that the port
    // is their result.
    for (const auto& [text, port] :
         {std::pair<std::string, int>{"3", 3}, {"COM4", 0}, {"3.5", 4}, {"7abc", 7}}) {
        EXPECT_EQ(commPortFromSetting(text), port) << '"' << text << '"';
    }
}

TEST_F(StartupTest, PortTooLargeForSixteenBits_IsReportedAndSkipsTheFolders) {
    runStartup(state, inputs("99999"), errors);
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].number, 6);
    EXPECT_EQ(errors.reports[0].source, "MDIForm_Load");
    EXPECT_EQ(errors.reports[0].screen, "MDIForm1");
    EXPECT_NE(errors.reports[0].description.find("the saved port \"99999\""), std::string::npos)
        << errors.reports[0].description;
    EXPECT_EQ(state.commPort, 0) << "no port wrapped round into another";
    EXPECT_EQ(state.appVersion, "3.2.4") << "the steps before the failure stand";
    EXPECT_FALSE(fs::exists(folder / "Logs"));
}

TEST_F(StartupTest, ExistingFoldersAreLeftAsTheyAre) {
    fs::create_directories(folder / "Data Files");
    std::ofstream(folder / "Data Files" / "walk.tlg") << "kept";
    runStartup(state, inputs("1"), errors);
    EXPECT_EQ(readFile(folder / "Data Files" / "walk.tlg"), "kept");
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(StartupTest, FolderThatCannotBeCreated_IsReportedAsTestForFileFolders) {
    std::ofstream(folder / "Logs") << "a file where the folder belongs";
    testForFileFolders(DataPaths{folder}, errors);
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].source, "TestForFileFolders");
    EXPECT_EQ(errors.reports[0].screen, "General");
    EXPECT_NE(errors.reports[0].description.find("Logs"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(folder / "Data Files"));
}

}  // namespace
}  // namespace tilt
