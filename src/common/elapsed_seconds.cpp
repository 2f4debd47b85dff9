#include "common/elapsed_seconds.h"

#include "common/rounding.h"

namespace tilt {

double elapsedSeconds(std::int64_t sampleStartCount, std::int64_t sampleNowCount,
                      std::int64_t perfFrequency) {
    if (perfFrequency <= 0) {
        return 0.0;
    }
    const auto ticks = static_cast<double>(sampleNowCount - sampleStartCount);
    return roundHalfEven(ticks / static_cast<double>(perfFrequency), 2);
}

}  // namespace tilt
