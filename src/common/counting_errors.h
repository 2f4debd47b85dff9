#pragma once

#include <atomic>

#include "common/error_reporter.h"

namespace tilt {

// An error handler that only counts: for benchmarks and fuzzing, where nobody is there to
// answer and the count is what matters.
class CountingErrors final : public ErrorReporter {
  public:
    void handleError(std::int32_t, std::string_view, std::string_view, std::string_view) override {
        ++count;
    }
    std::atomic<int> count{0};
};

}  // namespace tilt
