#include "live/ui/strip_history.h"

#include <algorithm>

namespace tilt::live::ui {

namespace {
constexpr double kRateWindowSeconds = 1.0;
}

void StripHistory::append(std::span<const ChartPoint> points) {
    points_.insert(points_.end(), points.begin(), points.end());
    if (points_.empty()) {
        return;
    }
    const double oldest = points_.back().seconds - span_;
    while (points_.front().seconds < oldest) {
        points_.pop_front();
    }
}

std::optional<double> StripHistory::rate() const {
    if (points_.size() < 2) {
        return std::nullopt;
    }
    const double newest = points_.back().seconds;
    // The reading just before the window starts the count, so that the time measured spans
    // the whole window and the times' rounding to hundredths matters little.
    auto first =
        std::lower_bound(points_.begin(), points_.end(), newest - kRateWindowSeconds,
                         [](const ChartPoint& p, double seconds) { return p.seconds < seconds; });
    if (first != points_.begin()) {
        --first;
    }
    const double elapsed = newest - first->seconds;
    if (elapsed <= 0) {
        return std::nullopt;
    }
    const auto intervals = static_cast<double>(std::distance(first, points_.end()) - 1);
    return intervals / elapsed;
}

}  // namespace tilt::live::ui
