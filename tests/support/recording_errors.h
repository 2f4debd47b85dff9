#pragma once

#include <string>
#include <vector>

#include "common/error_reporter.h"

namespace tilt::testing {

// Collects error reports instead of logging and asking.
class RecordingErrors final : public ErrorReporter {
  public:
    struct Report {
        std::int32_t number;
        std::string source;
        std::string screen;
        std::string description;
    };

    void handleError(std::int32_t number, std::string_view source, std::string_view screen,
                     std::string_view description) override {
        reports.push_back(
            {number, std::string(source), std::string(screen), std::string(description)});
    }

    std::vector<Report> reports;
};

}  // namespace tilt::testing
