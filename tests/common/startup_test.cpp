#include "common/startup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/recording_errors.h"

namespace tilt {
namespace {

namespace fs = std::filesystem;

class StartupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ =
            fs::temp_directory_path() /
            ("tilt-startup-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override {
        fs::permissions(root_, fs::perms::owner_all);
        fs::remove_all(root_);
    }

    StartupInputs inputs(std::string savedPort) const {
        StartupInputs in;
        in.major = 3;
        in.minor = 2;
        in.revision = 4;
        in.savedCommPort = [savedPort] { return savedPort; };
        in.paths.root = root_;
        return in;
    }

    fs::path root_;
};

TEST_F(StartupTest, FillsTheSharedStateAndCreatesTheFolders) {
    AppState state;
    testing::RecordingErrors errors;
    runStartup(state, inputs("1"), errors);
    EXPECT_EQ(state.appVersion, "3.2.4");
    EXPECT_EQ(state.pageCount, 2048);
    EXPECT_EQ(state.commPort, 1);
    EXPECT_TRUE(fs::is_directory(root_ / "Data Files"));
    EXPECT_TRUE(fs::is_directory(root_ / "Logs"));
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(StartupTest, SavedPortText_GivesItsLeadingNumberRoundedHalfToEven) {
    for (const auto& [text, port] : {std::pair<std::string, int>{"3", 3},
                                     {" 12 ", 12},
                                     {"COM4", 0},
                                     {"", 0},
                                     {"2.5", 2},
                                     {"3.5", 4},
                                     {"7abc", 7}}) {
        EXPECT_EQ(commPortFromSetting(text), port) << '"' << text << '"';
    }
}

TEST_F(StartupTest, PortTooLargeForSixteenBits_IsReportedAndSkipsTheFolders) {
    AppState state;
    testing::RecordingErrors errors;
    runStartup(state, inputs("99999"), errors);
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].number, 6);
    EXPECT_EQ(errors.reports[0].source, "MDIForm_Load");
    EXPECT_EQ(errors.reports[0].screen, "MDIForm1");
    EXPECT_NE(errors.reports[0].description.find("the saved port \"99999\""), std::string::npos)
        << errors.reports[0].description;
    EXPECT_EQ(state.commPort, 0) << "no port wrapped round into another";
    EXPECT_EQ(state.appVersion, "3.2.4") << "the steps before the failure stand";
    EXPECT_FALSE(fs::exists(root_ / "Logs"));
}

TEST_F(StartupTest, ExistingFoldersAreLeftAsTheyAre) {
    fs::create_directories(root_ / "Data Files");
    std::ofstream(root_ / "Data Files" / "walk.tlg") << "kept";
    AppState state;
    testing::RecordingErrors errors;
    runStartup(state, inputs("1"), errors);
    std::ifstream kept(root_ / "Data Files" / "walk.tlg");
    std::string text;
    kept >> text;
    EXPECT_EQ(text, "kept");
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(StartupTest, FolderThatCannotBeCreated_IsReportedAsTestForFileFolders) {
    std::ofstream(root_ / "Logs") << "a file where the folder belongs";
    testing::RecordingErrors errors;
    testForFileFolders(DataPaths{root_}, errors);
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].source, "TestForFileFolders");
    EXPECT_EQ(errors.reports[0].screen, "General");
    EXPECT_NE(errors.reports[0].description.find("Logs"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(root_ / "Data Files"));
}

}  // namespace
}  // namespace tilt
