#pragma once

#include <string>

namespace tilt {

// Number text of the data files: "." as decimal point whatever the locale, up to 15
// significant digits, no trailing zeros, no zero before the point below 1, no exponent,
// negative zero written as "0". 45.7 -> "45.7", -0.7 -> "-.7", 1234 -> "1234".
[[nodiscard]] std::string numberText(double value);

// Appends the number text to `out` without a temporary string (page lines are hot).
void appendNumberText(std::string& out, double value);

}  // namespace tilt
