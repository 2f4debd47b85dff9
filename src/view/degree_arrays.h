#pragma once

#include <array>

namespace tilt::view {

inline constexpr int kBins = 132;

// One bin page pair as counts: bin 0 first.
using PointArray = std::array<double, kBins>;

// Bin counts placed at whole degrees: X from -180 to 180, Y from -90 to 90; degrees that no bin
// maps to hold 0.
struct DegreeArrays {
    std::array<double, 361> x{};
    std::array<double, 181> y{};

    [[nodiscard]] double atX(int degree) const { return x[static_cast<std::size_t>(degree + 180)]; }
    [[nodiscard]] double atY(int degree) const { return y[static_cast<std::size_t>(degree + 90)]; }
};

// The degree a bin lands on: bin × (361 / 132) − 180 for X, bin × (181 / 132) − 90 for Y, each
// rounded to the nearest whole degree with ties to even (bin 66 lands on 0).
[[nodiscard]] int degreeOfBinX(int bin);
[[nodiscard]] int degreeOfBinY(int bin);

// Spreads the two pages' counts over the degree arrays (which the caller has zeroed).
void convertPointArraysToDegreeArrays(const PointArray& pointX, const PointArray& pointY,
                                      DegreeArrays& degrees);

}  // namespace tilt::view
