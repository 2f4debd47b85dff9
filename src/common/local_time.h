#pragma once

#include <chrono>
#include <ctime>
#include <string>

namespace tilt {

// The calendar time of `when` on this computer's clock and time zone. The system's own call is
// behind the platform layer (src/platform/posix/local_time.cpp).
[[nodiscard]] std::tm localTime(std::chrono::system_clock::time_point when);

// This computer's offset from UTC at `when`, in minutes (60 for Central European winter time).
[[nodiscard]] int utcOffsetMinutes(std::chrono::system_clock::time_point when);

// This computer's clock as ISO 8601 to the second (2026-12-07T10:00:00), or to the millisecond.
[[nodiscard]] std::string isoLocalTime(std::chrono::system_clock::time_point when,
                                       bool millis = false);

}  // namespace tilt
