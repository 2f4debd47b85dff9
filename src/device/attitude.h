#pragma once

#include <cstdint>

namespace tilt::device {

// The simulated logger's slowly moving attitude: X over about +-95 degrees, Y over about +-50,
// a smooth function of time whose phases come from the seed.
class Attitude {
  public:
    explicit Attitude(std::uint64_t seed);

    [[nodiscard]] double angleX(double seconds) const;
    [[nodiscard]] double angleY(double seconds) const;

  private:
    double phase_[5]{};
};

// One logged sample byte for an angle on a full scale of `fullScale` degrees: 0..128 for
// 0..+F, 255 - m for -m/128 F. Zero is stored as 0 (never 255), so a recorded page can never
// start like erased memory, and 127 is never produced on X or Y by this attitude.
[[nodiscard]] std::uint8_t sampleByte(double angle, double fullScale);

// Angle word as the device sends it: angle * 32767 / full scale, two's complement.
[[nodiscard]] int angleWord(double angle, double fullScale);

}  // namespace tilt::device
