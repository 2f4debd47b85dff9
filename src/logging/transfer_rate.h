#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace tilt::logging {

// Pages per second over the last few pages, and how long the rest of the memory would take at
// that pace (the recording may end sooner, at its first erased page).
class TransferRate {
  public:
    using Clock = std::chrono::steady_clock;

    void pageArrived(std::int32_t page, Clock::time_point at);

    [[nodiscard]] std::optional<double> pagesPerSecond() const;
    // Seconds until page `lastPage` at the current pace.
    [[nodiscard]] std::optional<double> secondsLeft(std::int32_t lastPage) const;

    // "6.1 pages/s, at most 5 min 29 s left"; empty until the pace is known.
    [[nodiscard]] std::string describe(std::int32_t lastPage) const;

  private:
    static constexpr std::size_t kWindow = 20;
    std::deque<std::pair<std::int32_t, Clock::time_point>> recent_;
};

// "5 min 29 s", "42 s", "1 h 3 min".
[[nodiscard]] std::string durationText(double seconds);

}  // namespace tilt::logging
