#include "common/local_time.h"

#include <time.h>

namespace tilt {

std::tm localTime(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

}  // namespace tilt
