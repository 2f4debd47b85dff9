#include "device/attitude.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "device/random.h"

namespace tilt::device {

namespace {
double wave(double seconds, double period, double phase) {
    return std::sin(2.0 * std::numbers::pi * seconds / period + phase);
}
}  // namespace

Attitude::Attitude(std::uint64_t seed, std::optional<FixedAttitude> fixed) : fixed_(fixed) {
    Random random(seed ^ 0xA771'7D0EULL);
    for (double& p : phase_) {
        p = random.unit() * 2.0 * std::numbers::pi;
    }
}

double Attitude::angleX(double seconds) const {
    if (fixed_) {
        return fixed_->x;
    }
    return 60.0 * wave(seconds, 47.0, phase_[0]) + 25.0 * wave(seconds, 13.0, phase_[1]) +
           8.0 * wave(seconds, 3.1, phase_[2]);
}

double Attitude::angleY(double seconds) const {
    if (fixed_) {
        return fixed_->y;
    }
    return 35.0 * wave(seconds, 61.0, phase_[3]) + 15.0 * wave(seconds, 17.0, phase_[4]);
}

std::uint8_t sampleByte(double angle, double fullScale) {
    const double steps = std::round(std::abs(angle) / fullScale * 128.0);
    if (angle >= 0) {
        return static_cast<std::uint8_t>(std::min(steps, 128.0));
    }
    const int m = static_cast<int>(std::min(steps, 126.0));
    return static_cast<std::uint8_t>(m == 0 ? 0 : 255 - m);
}

int angleWord(double angle, double fullScale) {
    const double word = std::round(angle * 32767.0 / fullScale);
    return static_cast<int>(std::clamp(word, -32768.0, 32767.0));
}

}  // namespace tilt::device
