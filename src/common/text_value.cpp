#include "common/text_value.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "common/error.h"

namespace tilt {

namespace {
bool isSkipped(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}
// A field that is all a plain decimal ("-46.4", "12") with at most 15 digits: the mantissa and
// the power of ten are exact doubles, so one division gives the correctly rounded value.
std::optional<double> plainDecimal(std::string_view text) {
    static constexpr double kPowers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    std::size_t i = 0;
    const std::size_t n = text.size();
    const bool negative = i < n && text[i] == '-';
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fraction = 0;
    bool point = false;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
            ++digits;
            fraction += point ? 1 : 0;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0 || digits > 15) {
        return std::nullopt;
    }
    const double value = static_cast<double>(mantissa) / kPowers[fraction];
    return negative ? -value : value;
}
// A number beyond a double's range, which from_chars leaves unread: infinite when it is too
// large (every whole-number conversion refuses that as an overflow), 0 when it is too small.
// `number` is digits [. digits] [e [sign] digits], unsigned.
double beyondRange(std::string_view number) {
    // The power of ten of the first significant digit, plus the exponent, tells which.
    long long power = 0;
    bool significant = false;
    bool point = false;
    std::size_t i = 0;
    for (; i < number.size() && number[i] != 'e'; ++i) {
        const char c = number[i];
        if (c == '.') {
            point = true;
        } else if (significant || c != '0') {
            significant = true;
            power += point ? 0 : 1;
        } else if (point) {
            --power;
        }
    }
    long long exponent = 0;
    bool negativeExponent = false;
    if (i < number.size()) {
        ++i;
        if (i < number.size() && (number[i] == '+' || number[i] == '-')) {
            negativeExponent = number[i] == '-';
            ++i;
        }
        constexpr long long kFarBeyond = 1'000'000;  // digits enough to tell huge from tiny
        for (; i < number.size() && exponent < kFarBeyond; ++i) {
            exponent = exponent * 10 + (number[i] - '0');
        }
    }
    const long long magnitude = power + (negativeExponent ? -exponent : exponent);
    return magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}
}  // namespace

double leadingNumber(std::string_view text) {
    if (const auto plain = plainDecimal(text)) {
        return *plain;
    }
    std::string compact;
    compact.reserve(text.size());
    for (char c : text) {
        if (!isSkipped(c)) {
            compact += c;
        }
    }
    // Cut the longest prefix of the form [sign] digits [. digits] [(e|d) [sign] digits].
    std::size_t i = 0;
    const std::size_t n = compact.size();
    if (i < n && (compact[i] == '+' || compact[i] == '-')) {
        ++i;
    }
    std::size_t mantissaDigits = 0;
    while (i < n && isDigit(compact[i])) {
        ++i;
        ++mantissaDigits;
    }
    if (i < n && compact[i] == '.') {
        ++i;
        while (i < n && isDigit(compact[i])) {
            ++i;
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return 0.0;
    }
    std::size_t end = i;
    if (i < n &&
        (compact[i] == 'e' || compact[i] == 'E' || compact[i] == 'd' || compact[i] == 'D')) {
        std::size_t j = i + 1;
        if (j < n && (compact[j] == '+' || compact[j] == '-')) {
            ++j;
        }
        if (j < n && isDigit(compact[j])) {
            while (j < n && isDigit(compact[j])) {
                ++j;
            }
            compact[i] = 'e';
            end = j;
        }
    }
    // from_chars does not depend on the C locale and takes no '+'.
    const bool negative = compact[0] == '-';
    const std::size_t start = (compact[0] == '+' || compact[0] == '-') ? 1 : 0;
    double value = 0.0;
    const auto read = std::from_chars(compact.data() + start, compact.data() + end, value);
    if (read.ec == std::errc::result_out_of_range) {
        value = beyondRange(std::string_view(compact).substr(start, end - start));
    }
    return negative ? -value : value;
}

double numberValue(std::string_view text) {
    const std::string_view original = text;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    const bool plus = !text.empty() && text.front() == '+';
    const char* first = text.data() + (plus ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    const bool twoSigns = plus && text.size() > 1 && text[1] == '-';
    if (text.empty() || twoSigns || error != std::errc() || end != text.data() + text.size()) {
        throw Error(errc::kTypeMismatch,
                    "Type mismatch: \"" + std::string(original) + "\" is no number");
    }
    return value;
}

}  // namespace tilt
