#include "common/rounding.h"

#include <cmath>
#include <limits>

#include "common/error.h"

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

namespace {
template <typename Whole>
Whole toWhole(double value) {
    const double whole = roundWhole(value);
    if (whole < std::numeric_limits<Whole>::min() || whole > std::numeric_limits<Whole>::max()) {
        throwOverflow();
    }
    return static_cast<Whole>(whole);
}
}  // namespace

std::int16_t toInt16(double value) {
    return toWhole<std::int16_t>(value);
}

std::int32_t toInt32(double value) {
    return toWhole<std::int32_t>(value);
}

std::uint8_t toByte(double value) {
    return toWhole<std::uint8_t>(value);
}

}  // namespace tilt
