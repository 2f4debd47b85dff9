#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tilt::view {

// A moment on a clock without a zone (the launching PC's local clock), in milliseconds since
// 1970-01-01T00:00:00.000 of that clock.
using LocalMillis = std::int64_t;

// The launch time a download writes into a data file's header, "MM/DD/YYYY hh:mm:ss"; nothing
// for any other text or a date that does not exist (02/30/2026, 13/01/2026, 24:00:00).
[[nodiscard]] std::optional<LocalMillis> parseLaunchTime(std::string_view text);

// An ISO 8601 time without zone as appendIsoTime and the recordings library write it:
// "2026-11-02T08:30:00", with ".mmm" or not. Nothing for any other text.
[[nodiscard]] std::optional<LocalMillis> parseIsoTime(std::string_view text);

// The header's "Firmware Sampling Frequency" in samples a second: "10", "12.5" or, written on
// a PC with a decimal comma, "12,5". Nothing unless it is a number from 0.01 to 100000.
[[nodiscard]] std::optional<double> parseSamplingFrequency(std::string_view text);

// Appends `at` in ISO 8601 without zone, to the millisecond: 2026-11-02T08:30:00.000.
void appendIsoTime(std::string& out, LocalMillis at);

// Appends a count of milliseconds as seconds with "." and no trailing zeros: 0, 0.1, 12.345.
void appendSeconds(std::string& out, std::int64_t ms);

}  // namespace tilt::view
