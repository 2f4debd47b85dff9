#include "shell/text_value.h"

#include <cctype>
#include <charconv>
#include <string>

#include "shell/error.h"

namespace tilt {

namespace {
bool isSkipped(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}
}  // namespace

double leadingNumber(std::string_view text) {
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
    std::from_chars(compact.data() + start, compact.data() + end, value);
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
    const char* first = text.data() + (!text.empty() && text.front() == '+' ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw Error(errc::kTypeMismatch,
                    "Type mismatch: \"" + std::string(original) + "\" is no number");
    }
    return value;
}

}  // namespace tilt
