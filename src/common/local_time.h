#pragma once

#include <chrono>
#include <ctime>

namespace tilt {

// The calendar time of `when` on this computer's clock and time zone. The system's own call is
// behind the platform layer (src/platform/posix/local_time.cpp).
[[nodiscard]] std::tm localTime(std::chrono::system_clock::time_point when);

}  // namespace tilt
