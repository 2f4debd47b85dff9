#include "logging/transfer_rate.h"

#include <cmath>
#include <cstdio>

namespace tilt::logging {

void TransferRate::pageArrived(std::int32_t page, Clock::time_point at) {
    recent_.emplace_back(page, at);
    if (recent_.size() > kWindow) {
        recent_.pop_front();
    }
}

std::optional<double> TransferRate::pagesPerSecond() const {
    if (recent_.size() < 2) {
        return std::nullopt;
    }
    const double seconds =
        std::chrono::duration<double>(recent_.back().second - recent_.front().second).count();
    if (seconds <= 0) {
        return std::nullopt;
    }
    return (recent_.back().first - recent_.front().first) / seconds;
}

std::optional<double> TransferRate::secondsLeft(std::int32_t lastPage) const {
    const auto rate = pagesPerSecond();
    if (!rate || *rate <= 0) {
        return std::nullopt;
    }
    return std::max(0, lastPage - recent_.back().first) / *rate;
}

std::string durationText(double seconds) {
    const auto s = static_cast<long>(std::lround(seconds));
    char text[48];
    if (s >= 3600) {
        std::snprintf(text, sizeof text, "%ld h %ld min", s / 3600, (s % 3600) / 60);
    } else if (s >= 60) {
        std::snprintf(text, sizeof text, "%ld min %ld s", s / 60, s % 60);
    } else {
        std::snprintf(text, sizeof text, "%ld s", s);
    }
    return text;
}

std::string TransferRate::describe(std::int32_t lastPage) const {
    const auto rate = pagesPerSecond();
    const auto left = secondsLeft(lastPage);
    if (!rate || !left) {
        return {};
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.1f pages/s", *rate);
    return std::string(text) + ", at most " + durationText(*left) + " left";
}

}  // namespace tilt::logging
