#pragma once

#include <cstdint>

namespace tilt {

// Rounds to the given number of decimals, ties going to the even neighbour (as the device
// firmware and every file of the program expect: 11.25 -> 11.2, 33.75 -> 33.8).
[[nodiscard]] double roundHalfEven(double value, int decimals = 0);

// Whole-number conversions with ties to even; values outside the target range throw the
// overflow error (number 6).
[[nodiscard]] std::int16_t toInt16(double value);
[[nodiscard]] std::int32_t toInt32(double value);

// A byte value 0..255; anything else throws the overflow error before it can reach the line.
[[nodiscard]] std::uint8_t toByte(double value);

}  // namespace tilt
