#pragma once

#include <cstdint>

namespace tilt {

// Seconds between two performance-counter readings, rounded to two decimals with ties to
// even: a frequency of 1,000,000 and 1,234,567 ticks give 1.23.
[[nodiscard]] double elapsedSeconds(std::int64_t sampleStartCount, std::int64_t sampleNowCount,
                                    std::int64_t perfFrequency);

}  // namespace tilt
