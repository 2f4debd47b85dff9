#include "common/number_text.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace tilt {

void appendNumberText(std::string& out, double value) {
    if (value == 0.0 || !std::isfinite(value)) {
        out += '0';
        return;
    }
    // Fifteen significant digits in scientific form, then laid out in fixed notation by hand
    // so that no exponent ever reaches a file.
    std::array<char, 40> buf{};
    const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                      std::chars_format::scientific, 14);
    const char* p = buf.data();
    const bool negative = *p == '-';
    if (negative) {
        ++p;
    }
    std::array<char, 16> digits{};
    int count = 0;
    for (; p != result.ptr && *p != 'e'; ++p) {
        if (*p != '.') {
            digits[static_cast<std::size_t>(count++)] = *p;
        }
    }
    const int exponent = std::atoi(p + 1);
    while (count > 1 && digits[static_cast<std::size_t>(count - 1)] == '0') {
        --count;
    }
    if (count == 1 && digits[0] == '0') {
        out += '0';
        return;
    }
    if (negative) {
        out += '-';
    }
    const int pointAt = exponent + 1;  // digits before the decimal point
    if (pointAt <= 0) {
        out += '.';
        out.append(static_cast<std::size_t>(-pointAt), '0');
        out.append(digits.data(), static_cast<std::size_t>(count));
        return;
    }
    for (int i = 0; i < count || i < pointAt; ++i) {
        if (i == pointAt) {
            out += '.';
        }
        out += i < count ? digits[static_cast<std::size_t>(i)] : '0';
    }
}

std::string numberText(double value) {
    std::string out;
    appendNumberText(out, value);
    return out;
}

}  // namespace tilt
