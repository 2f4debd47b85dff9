#include "store/store_query.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "store/pg_connection.h"
#include "store/store_schema.h"
#include "view/dated_export.h"
#include "view/recording_clock.h"

namespace tilt::store {

namespace {

// The fields of one COPY text row: at, offset_ms, x, y, push ("\N" for NULL).
std::array<std::string_view, 5> fieldsOf(std::string_view line) {
    std::array<std::string_view, 5> fields{};
    if (!line.empty() && line.back() == '\n') {
        line.remove_suffix(1);
    }
    std::size_t at = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t tab = line.find('\t', at);
        fields[i] = line.substr(at, tab == std::string_view::npos ? line.size() - at : tab - at);
        at = tab == std::string_view::npos ? line.size() : tab + 1;
    }
    return fields;
}

bool isNull(std::string_view field) {
    return field == "\\N";
}

// The server's text of a timestamp(3), "2026-11-02 08:30:00" or "2026-11-02 08:30:00.067", as
// milliseconds since 1970 on the same clock.
std::optional<view::LocalMillis> serverTime(std::string_view t) {
    if (t.size() < 19 || t[4] != '-' || t[7] != '-' || t[10] != ' ') {
        return std::nullopt;
    }
    const auto digits = [&](std::size_t at, std::size_t count) {
        int value = 0;
        for (std::size_t i = at; i < at + count; ++i) {
            value = value * 10 + (t[i] - '0');
        }
        return value;
    };
    const std::chrono::year_month_day date{std::chrono::year(digits(0, 4)),
                                           std::chrono::month(static_cast<unsigned>(digits(5, 2))),
                                           std::chrono::day(static_cast<unsigned>(digits(8, 2)))};
    view::LocalMillis ms = std::chrono::sys_days(date).time_since_epoch().count() * 86'400'000LL +
                           ((digits(11, 2) * 60LL + digits(14, 2)) * 60 + digits(17, 2)) * 1000;
    if (t.size() > 20 && t[19] == '.') {
        const std::size_t fraction = std::min<std::size_t>(t.size() - 20, 3);
        int part = digits(20, fraction);
        for (std::size_t i = fraction; i < 3; ++i) {
            part *= 10;
        }
        ms += part;
    }
    return ms;
}

std::optional<std::int64_t> wholeNumber(std::string_view field) {
    std::int64_t value = 0;
    if (isNull(field) ||
        std::from_chars(field.data(), field.data() + field.size(), value).ec != std::errc{}) {
        return std::nullopt;
    }
    return value;
}

double numberOf(std::string_view text) {
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

view::LocalMillis timeArgument(const std::string& text, const char* which) {
    const auto at = view::parseIsoTime(text);
    if (!at) {
        throw Error(errc::kBadArgument, std::string(which) + " \"" + text +
                                            "\" is no time like 2026-11-02T08:30:00 (or "
                                            "2026-11-02T08:30:00.000)");
    }
    return *at;
}

}  // namespace

long querySamples(PgConnection& connection, std::int64_t serial, const std::string& from,
                  const std::string& to, view::ExportSink& sink) {
    (void)timeArgument(from, "--from");
    (void)timeArgument(to, "--to");
    requireStore(connection);
    // The times as read below, whatever the server, database or user prefer.
    connection.exec("SET datestyle = 'ISO, YMD'");
    const std::string s = std::to_string(serial);
    // COPY takes no parameters: the values go in as settings, through bound parameters.
    connection.exec(
        "SELECT set_config('tilt.serial', $1, false), set_config('tilt.from', $2, "
        "false), set_config('tilt.to', $3, false)",
        {s, from, to});
    constexpr const char* kRange =
        "serial = current_setting('tilt.serial')::integer AND at BETWEEN "
        "current_setting('tilt.from')::timestamp AND current_setting('tilt.to')::timestamp";
    // Bound here rather than through the settings: the server then plans the scan for these
    // very values, not for any period (which costs a day's query a second).
    const PgResult channels = connection.exec(
        "SELECT bool_or(x IS NOT NULL), bool_or(y IS NOT NULL) FROM tilt_samples WHERE serial = "
        "$1::integer AND at BETWEEN $2::timestamp AND $3::timestamp",
        {s, from, to});
    const bool withX = channels.text(0, 0) == "t";
    const bool withY = channels.text(0, 1) == "t";
    sink.note("Samples of logger " + s + " from " + from + " to " + to +
              " from the team store at " + connection.server() +
              ", across recordings; seconds count from each recording's first sample.");
    std::vector<std::string_view> names = {"time", "seconds"};
    if (withX) {
        names.push_back("X");
    }
    if (withY) {
        names.push_back("Y");
    }
    names.push_back("button");
    sink.columns(names);
    long rows = 0;
    view::SampleRow row;
    connection.copyOut(
        // In the order of the (serial, at) index: no sort. Two samples of one logger never
        // share a moment.
        std::string("COPY (SELECT at, offset_ms, x, y, push FROM tilt_samples WHERE ") + kRange +
            " ORDER BY at) TO STDOUT",
        [&](std::string_view line) {
            const auto f = fieldsOf(line);
            row.slot = rows;
            row.time = serverTime(f[0]);
            row.offsetMs = wholeNumber(f[1]);
            row.x = isNull(f[2]) ? std::string_view{} : f[2];
            row.y = isNull(f[3]) ? std::string_view{} : f[3];
            row.xValue = numberOf(row.x);
            row.yValue = numberOf(row.y);
            row.push = f[4] == "t";
            sink.sample(row);
            ++rows;
        });
    return rows;
}

}  // namespace tilt::store
