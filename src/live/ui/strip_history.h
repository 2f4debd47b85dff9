#pragma once

#include <array>
#include <cstddef>
#include <deque>
#include <optional>
#include <span>

namespace tilt::live::ui {

// A reading as the strip chart plots it: the seconds since sampling started and up to three
// values (the angles, or the counts).
struct ChartPoint {
    double seconds = 0;
    std::array<double, 3> values{};
};

// The readings of the last `spanSeconds`, oldest first: what the strip chart draws, and from
// which the rate of the readings is told.
class StripHistory {
  public:
    explicit StripHistory(double spanSeconds = 60) : span_(spanSeconds) {}

    // Readings arrive in time order; whatever falls out of the span is dropped.
    void append(std::span<const ChartPoint> points);
    void clear() { points_.clear(); }

    [[nodiscard]] const std::deque<ChartPoint>& points() const { return points_; }
    [[nodiscard]] double span() const { return span_; }

    // Readings per second over about the last second; nothing before time has passed between
    // two readings.
    [[nodiscard]] std::optional<double> rate() const;

  private:
    double span_;
    std::deque<ChartPoint> points_;
};

}  // namespace tilt::live::ui
