#include "common/error_log.h"

#include <array>
#include <cstdio>
#include <ctime>
#include <fstream>

#include "common/local_time.h"

namespace tilt {

namespace {
constexpr const char* kCrLf = "\r\n";
constexpr const char* kRule = "----------";
}  // namespace

ErrorLog::ErrorLog(Messages& messages, std::filesystem::path logFile, ProgramIdentity identity,
                   WallClock wallClock, Terminate terminate)
    : messages_(messages),
      logFile_(std::move(logFile)),
      identity_(std::move(identity)),
      wallClock_(std::move(wallClock)),
      terminate_(std::move(terminate)) {}

std::string ErrorLog::formatRecordDate(std::chrono::system_clock::time_point when) {
    const std::tm local = localTime(when);
    const int hour12 = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    std::array<char, 48> buf{};
    std::snprintf(buf.data(), buf.size(), "%02d/%02d/%04d %02d:%02d:%02d %s", local.tm_mday,
                  local.tm_mon + 1, local.tm_year + 1900, hour12, local.tm_min, local.tm_sec,
                  local.tm_hour < 12 ? "am" : "pm");
    return buf.data();
}

std::string ErrorLog::recordText(std::int32_t number, std::string_view source,
                                 std::string_view screen, std::string_view description) const {
    std::string t;
    t += "Date: " + formatRecordDate(wallClock_()) + kCrLf;
    t += "Number: " + std::to_string(number) + kCrLf;
    t += "Source: " + std::string(source) + kCrLf;
    t += "Screen: " + std::string(screen) + kCrLf;
    t += "Description: " + std::string(description) + kCrLf;
    t += "Application: " + identity_.application + kCrLf;
    t += "Version: " + std::to_string(identity_.major) + "." + std::to_string(identity_.minor) +
         "." + std::to_string(identity_.revision);
    return t;
}

void ErrorLog::appendRecord(const std::string& record) const {
    // Appending never creates the folder: a missing Logs folder is the handler's own failure.
    std::ofstream out(logFile_, std::ios::binary | std::ios::app);
    if (!out) {
        throw std::runtime_error("cannot open the error log");
    }
    out << kRule << kCrLf << record << kCrLf << kRule << kCrLf << kCrLf;
    out.flush();
    if (!out) {
        throw std::runtime_error("cannot write the error log");
    }
}

void ErrorLog::handleError(std::int32_t number, std::string_view source, std::string_view screen,
                           std::string_view description) {
    bool cancel = false;
    try {
        const std::string record = recordText(number, source, screen, description);
        {
            // Only the file is guarded: the question may have to wait for the window thread,
            // which may itself be reporting.
            const std::lock_guard lock(mutex_);
            appendRecord(record);
        }
        const std::string message =
            std::string("The error shown below has occurred!") + kCrLf +
            "The data being generated at this time may have been corrupted." + kCrLf +
            "Please correct the error or contact Veltrimonic for customer support." + kCrLf +
            kCrLf + record + kCrLf + kCrLf + "RETRY will allow application to continue." + kCrLf +
            "CANCEL will terminate application." + kCrLf;
        const auto answer = messages_.ask(message, Messages::Buttons::RetryCancel);
        if (answer == Messages::Answer::Cancel) {
            messages_.show(
                "Application will terminate; correct error cause and run application again!");
            cancel = true;
        }
    } catch (...) {
        try {
            messages_.show("The SimpleErrorHandler sub routine has errored!");
        } catch (...) {
            // Nothing more can be told; never let a report take the program down.
        }
        return;
    }
    if (cancel) {
        terminate_();
    }
}

}  // namespace tilt
