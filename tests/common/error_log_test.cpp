#include "common/error_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/fake_messages.h"
#include "support/temp_folder.h"

namespace tilt {
namespace {

namespace fs = std::filesystem;
using testing::FakeMessages;

// 6 December 2026, 17:05:09 UTC.
constexpr std::time_t kWhen = 1796576709;

class ErrorLogTest : public testing::TempFolderTest {
  protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        TempFolderTest::SetUp();
        fs::create_directories(folder / "Logs");
    }

    ErrorLog makeLog() {
        return ErrorLog(
            messages, folder / "Logs" / "error.log", {"Tiltavarometer", 3, 2, 4},
            [] { return std::chrono::system_clock::from_time_t(kWhen); },
            [this] { ++terminations; });
    }

    [[nodiscard]] std::string logText() const { return readFile(folder / "Logs" / "error.log"); }

    FakeMessages messages;
    int terminations = 0;
};

const char* kRecord =
    "Date: 06/12/2026 05:05:09 pm\r\n"
    "Number: 8002\r\n"
    "Source: OpenCommPort\r\n"
    "Screen: Angles\r\n"
    "Description: Invalid port number\r\n"
    "Application: Tiltavarometer\r\n"
    "Version: 3.2.4";

TEST_F(ErrorLogTest, Retry_AppendsAFramedRecordAndAsksRetryOrCancel) {
    auto log = makeLog();
    log.handleError(8002, "OpenCommPort", "Angles", "Invalid port number");

    std::string framed = "----------\r\n";
    framed.append(kRecord).append("\r\n----------\r\n\r\n");
    EXPECT_EQ(logText(), framed);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].buttons, Messages::Buttons::RetryCancel);
    EXPECT_EQ(messages.shown[0].text,
              std::string("The error shown below has occurred!\r\n"
                          "The data being generated at this time may have been corrupted.\r\n"
                          "Please correct the error or contact Veltrimonic for customer "
                          "support.\r\n\r\n") +
                  kRecord +
                  "\r\n\r\nRETRY will allow application to continue.\r\n"
                  "CANCEL will terminate application.\r\n");
    EXPECT_EQ(terminations, 0);
}

TEST_F(ErrorLogTest, TwoErrors_AppendTwoRecords) {
    auto log = makeLog();
    log.handleError(6, "ValueToMSB", "Communications", "Overflow");
    log.handleError(61, "WriteDownloadPagesToFile", "General", "Disk full");
    const std::string text = logText();
    EXPECT_NE(text.find("Source: ValueToMSB\r\n"), std::string::npos);
    EXPECT_NE(text.find("Source: WriteDownloadPagesToFile\r\n"), std::string::npos);
    std::size_t rules = 0;
    for (std::size_t at = text.find("----------\r\n"); at != std::string::npos;
         at = text.find("----------\r\n", at + 1)) {
        ++rules;
    }
    EXPECT_EQ(rules, 4u);
    EXPECT_TRUE(text.ends_with("Version: 3.2.4\r\n----------\r\n\r\n"));
}

TEST_F(ErrorLogTest, Cancel_TellsTheUserAndEndsTheProgram) {
    messages.answers = {Messages::Answer::Cancel};
    auto log = makeLog();
    log.handleError(70, "mnuSave_Click", "Angles", "Permission denied");
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[1].text,
              "Application will terminate; correct error cause and run application again!");
    EXPECT_EQ(messages.shown[1].buttons, Messages::Buttons::Ok);
    EXPECT_EQ(terminations, 1);
}

TEST_F(ErrorLogTest, MissingLogsFolder_ReportsItsOwnFailureWithoutAsking) {
    fs::remove_all(folder / "Logs");
    auto log = makeLog();
    log.handleError(75, "MakeLinearCSV", "DownloadErase", "Path/File access error");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "The SimpleErrorHandler sub routine has errored!");
    EXPECT_EQ(messages.shown[0].buttons, Messages::Buttons::Ok);
    EXPECT_EQ(terminations, 0);
    EXPECT_FALSE(fs::exists(folder / "Logs"));
}

TEST(ErrorLogDate, UsesTwelveHourClockWithAmPm) {
    setenv("TZ", "UTC", 1);
    tzset();
    const auto at = [](int hour, int minute) {
        return std::chrono::system_clock::from_time_t(1796515200 + hour * 3600 + minute * 60);
    };  // 6 December 2026 00:00 UTC + h:m
    EXPECT_EQ(ErrorLog::formatRecordDate(at(0, 1)), "06/12/2026 12:01:00 am");
    EXPECT_EQ(ErrorLog::formatRecordDate(at(9, 5)), "06/12/2026 09:05:00 am");
    EXPECT_EQ(ErrorLog::formatRecordDate(at(12, 0)), "06/12/2026 12:00:00 pm");
    EXPECT_EQ(ErrorLog::formatRecordDate(at(23, 59)), "06/12/2026 11:59:00 pm");
}

// Holds its first question open until a second report has been logged, as a message box on
// the window thread stays up while the device thread reports again.
class WaitingMessages final : public Messages {
  public:
    explicit WaitingMessages(const fs::path& log) : log_(log) {}
    void show(const std::string&) override {}
    Answer ask(const std::string&, Buttons) override {
        if (first_.exchange(false)) {
            const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (std::chrono::steady_clock::now() < giveUp && !twoRecords()) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            sawSecond = twoRecords();
        }
        return Answer::Retry;
    }
    std::size_t choose(const std::string&, const std::vector<std::string>&, std::size_t,
                       std::size_t escapeChoice) override {
        return escapeChoice;
    }
    std::atomic<bool> sawSecond{false};

  private:
    bool twoRecords() const {
        std::ifstream in(log_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str().find("Source: second") != std::string::npos;
    }
    fs::path log_;
    std::atomic<bool> first_{true};
};

TEST_F(ErrorLogTest, ReportWhileAnotherAsks_IsLoggedWithoutWaitingForTheAnswer) {
    WaitingMessages waiting(folder / "Logs" / "error.log");
    ErrorLog log(
        waiting, folder / "Logs" / "error.log", {"Tiltavarometer", 3, 2, 4},
        [] { return std::chrono::system_clock::now(); }, [] {});
    std::thread first([&] { log.handleError(8010, "first", "Connect", "line broke"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::thread second([&] { log.handleError(8010, "second", "Main", "line broke"); });
    first.join();
    second.join();
    EXPECT_TRUE(waiting.sawSecond);
}

}  // namespace
}  // namespace tilt
