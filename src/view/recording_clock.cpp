#include "view/recording_clock.h"

#include <charconv>
#include <chrono>
#include <cmath>

namespace tilt::view {

namespace {

constexpr std::int64_t kMsPerDay = 86'400'000;
// A logger samples from a tenth of a second apart to thousands of times a second; far beyond
// either, the header is damaged, and the times would not fit a clock.
constexpr double kLeastFrequency = 0.01;
constexpr double kGreatestFrequency = 100000;

// A field of exactly `digits` decimal digits.
std::optional<int> digitsAt(std::string_view text, std::size_t at, std::size_t digits) {
    if (at + digits > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

void appendPadded(std::string& out, std::int64_t value, int width) {
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 || n < width);
    while (n > 0) {
        out.push_back(digits[--n]);
    }
}

}  // namespace

std::optional<LocalMillis> parseLaunchTime(std::string_view text) {
    // MM/DD/YYYY hh:mm:ss; the year is written without leading zeros, so it may be shorter (but
    // ISO 8601 has room for four digits).
    const std::size_t space = text.find(' ');
    if (space == std::string_view::npos || text.size() != space + 9 || space < 7 || space > 10 ||
        text[2] != '/' || text[5] != '/' || text[space + 3] != ':' || text[space + 6] != ':') {
        return std::nullopt;
    }
    const auto month = digitsAt(text, 0, 2);
    const auto day = digitsAt(text, 3, 2);
    const auto year = digitsAt(text, 6, space - 6);
    const auto hour = digitsAt(text, space + 1, 2);
    const auto minute = digitsAt(text, space + 4, 2);
    const auto second = digitsAt(text, space + 7, 2);
    if (!month || !day || !year || !hour || !minute || !second || *hour > 23 || *minute > 59 ||
        *second > 59) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year(*year),
                                           std::chrono::month(static_cast<unsigned>(*month)),
                                           std::chrono::day(static_cast<unsigned>(*day))};
    if (!date.ok()) {
        return std::nullopt;
    }
    const auto days = std::chrono::sys_days(date).time_since_epoch().count();
    return days * kMsPerDay + ((*hour * 60LL + *minute) * 60 + *second) * 1000;
}

std::optional<LocalMillis> parseIsoTime(std::string_view text) {
    // YYYY-MM-DDThh:mm:ss[.mmm], as the launch time is read: "MM/DD/YYYY hh:mm:ss".
    if ((text.size() != 19 && text.size() != 23) || text[4] != '-' || text[7] != '-' ||
        text[10] != 'T' || (text.size() == 23 && text[19] != '.')) {
        return std::nullopt;
    }
    std::string launch(text.substr(5, 2));
    launch.append("/").append(text.substr(8, 2)).append("/").append(text.substr(0, 4));
    launch.append(" ").append(text.substr(11, 8));
    const auto at = parseLaunchTime(launch);
    if (!at || text.size() == 19) {
        return at;
    }
    const auto ms = digitsAt(text, 20, 3);
    if (!ms) {
        return std::nullopt;
    }
    return *at + *ms;
}

std::optional<double> parseSamplingFrequency(std::string_view text) {
    std::string number(text);
    for (char& c : number) {
        if (c == ',') {
            c = '.';
        }
    }
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc{} || end != number.data() + number.size() ||
        !(value >= kLeastFrequency && value <= kGreatestFrequency)) {
        return std::nullopt;
    }
    return value;
}

void appendIsoTime(std::string& out, LocalMillis at) {
    const std::int64_t days = at >= 0 ? at / kMsPerDay : (at - kMsPerDay + 1) / kMsPerDay;
    std::int64_t ms = at - days * kMsPerDay;
    const std::chrono::year_month_day date{std::chrono::sys_days(std::chrono::days(days))};
    appendPadded(out, static_cast<int>(date.year()), 4);
    out.push_back('-');
    appendPadded(out, static_cast<unsigned>(date.month()), 2);
    out.push_back('-');
    appendPadded(out, static_cast<unsigned>(date.day()), 2);
    out.push_back('T');
    appendPadded(out, ms / 3'600'000, 2);
    ms %= 3'600'000;
    out.push_back(':');
    appendPadded(out, ms / 60'000, 2);
    ms %= 60'000;
    out.push_back(':');
    appendPadded(out, ms / 1000, 2);
    out.push_back('.');
    appendPadded(out, ms % 1000, 3);
}

void appendSeconds(std::string& out, std::int64_t ms) {
    appendPadded(out, ms / 1000, 1);
    std::int64_t fraction = ms % 1000;
    if (fraction == 0) {
        return;
    }
    int width = 3;
    while (fraction % 10 == 0) {
        fraction /= 10;
        --width;
    }
    out.push_back('.');
    appendPadded(out, fraction, width);
}

}  // namespace tilt::view
