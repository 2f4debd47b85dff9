#pragma once

#include <cstdint>
#include <optional>

namespace tilt::device {

// An attitude the simulated logger is held still at, in degrees: X within +-180, Y within +-90.
struct FixedAttitude {
    double x = 0;
    double y = 0;
};

// The simulated logger's attitude: by default slowly moving, X over about +-95 degrees, Y over
// about +-50, a smooth function of time whose phases come from the seed; or held still at a
// fixed attitude, for demonstrations and tests that need known angles.
class Attitude {
  public:
    explicit Attitude(std::uint64_t seed, std::optional<FixedAttitude> fixed = std::nullopt);

    [[nodiscard]] double angleX(double seconds) const;
    [[nodiscard]] double angleY(double seconds) const;

  private:
    double phase_[5]{};
    std::optional<FixedAttitude> fixed_;
};

// One logged sample byte for an angle on a full scale of `fullScale` degrees: 0..128 for
// 0..+F, 255 - m for -m/128 F. Zero is stored as 0 (never 255), so a recorded page can never
// start like erased memory, and 127 is never produced on X or Y by the moving attitude.
[[nodiscard]] std::uint8_t sampleByte(double angle, double fullScale);

// Angle word as the device sends it: angle * 32767 / full scale, two's complement.
[[nodiscard]] int angleWord(double angle, double fullScale);

}  // namespace tilt::device
