#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>

#include "common/error_reporter.h"
#include "common/messages.h"

namespace tilt {

// The identity written on the "Application:" and "Version:" lines of an error record.
struct ProgramIdentity {
    std::string application;
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// The common error handler: appends a framed record to the error log, shows what happened and
// asks Retry or Cancel. Cancel ends the program through `terminate` (which must not return in
// the real program; tests pass one that records). Safe to call from any thread: records are
// appended one at a time.
class ErrorLog final : public ErrorReporter {
  public:
    using WallClock = std::function<std::chrono::system_clock::time_point()>;
    using Terminate = std::function<void()>;

    ErrorLog(Messages& messages, std::filesystem::path logFile, ProgramIdentity identity,
             WallClock wallClock, Terminate terminate);

    void handleError(std::int32_t number, std::string_view source, std::string_view screen,
                     std::string_view description) override;

    [[nodiscard]] const std::filesystem::path& logFile() const { return logFile_; }

    // "Date: " text of a record: dd/mm/yyyy hh:mm:ss am/pm in local time.
    [[nodiscard]] static std::string formatRecordDate(std::chrono::system_clock::time_point when);

    // The record text from the "Date:" line to the "Version:" line, lines joined by CR LF.
    [[nodiscard]] std::string recordText(std::int32_t number, std::string_view source,
                                         std::string_view screen,
                                         std::string_view description) const;

  private:
    void appendRecord(const std::string& record) const;

    Messages& messages_;
    std::filesystem::path logFile_;
    ProgramIdentity identity_;
    WallClock wallClock_;
    Terminate terminate_;
    std::mutex mutex_;
};

}  // namespace tilt
