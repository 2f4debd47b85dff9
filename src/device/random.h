#pragma once

#include <cstdint>

namespace tilt::device {

// A small, fully specified generator (splitmix64): the same seed gives the same numbers on
// every platform and library, so a simulated device started alike holds the same data.
class Random {
  public:
    explicit Random(std::uint64_t seed) : state_(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // Uniform in [0, n).
    int below(int n) {
        return n <= 0 ? 0 : static_cast<int>(next() % static_cast<std::uint64_t>(n));
    }

    bool chance(double p) { return p > 0 && unit() < p; }

  private:
    std::uint64_t state_;
};

}  // namespace tilt::device
