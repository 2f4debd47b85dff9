#include "shell/rounding.h"

#include <cmath>
#include <limits>

#include "shell/error.h"

namespace tilt {

namespace {
double scaleFor(int decimals) {
    double scale = 1.0;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10.0;
    }
    return scale;
}

double roundWhole(double value) {
    if (!std::isfinite(value)) {
        throwOverflow();
    }
    return std::nearbyint(value);  // default rounding mode: ties to even
}
}  // namespace

double roundHalfEven(double value, int decimals) {
    if (!std::isfinite(value)) {
        return value;
    }
    if (decimals <= 0) {
        return std::nearbyint(value);
    }
    const double scale = scaleFor(decimals);
    return std::nearbyint(value * scale) / scale;
}

std::int16_t toInt16(double value) {
    const double whole = roundWhole(value);
    if (whole < std::numeric_limits<std::int16_t>::min() ||
        whole > std::numeric_limits<std::int16_t>::max()) {
        throwOverflow();
    }
    return static_cast<std::int16_t>(whole);
}

std::int32_t toInt32(double value) {
    const double whole = roundWhole(value);
    if (whole < std::numeric_limits<std::int32_t>::min() ||
        whole > std::numeric_limits<std::int32_t>::max()) {
        throwOverflow();
    }
    return static_cast<std::int32_t>(whole);
}

std::uint8_t toByte(double value) {
    const double whole = roundWhole(value);
    if (whole < 0.0 || whole > 255.0) {
        throwOverflow();
    }
    return static_cast<std::uint8_t>(whole);
}

}  // namespace tilt
