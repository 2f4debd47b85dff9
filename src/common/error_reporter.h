#pragma once

#include <cstdint>
#include <string_view>

namespace tilt {

class Error;

// Where procedures send their unexpected failures: the common error handler of the program.
class ErrorReporter {
  public:
    virtual ~ErrorReporter() = default;

    // Logs the failure and lets the user go on or end the program; returns when the user
    // chose to go on.
    virtual void handleError(std::int32_t number, std::string_view source, std::string_view screen,
                             std::string_view description) = 0;

    // Convenience for the catch blocks of the procedures that report.
    void report(const Error& error, std::string_view source, std::string_view screen);
};

}  // namespace tilt
