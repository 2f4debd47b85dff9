#include "common/local_time.h"

#include <cstdio>

namespace tilt {

std::string isoLocalTime(std::chrono::system_clock::time_point when, bool millis) {
    const std::tm t = localTime(when);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
    std::string iso = text;
    if (millis) {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()) % 1000;
        std::snprintf(text, sizeof text, ".%03d", static_cast<int>((ms.count() + 1000) % 1000));
        iso += text;
    }
    return iso;
}

int utcOffsetMinutes(std::chrono::system_clock::time_point when) {
    const std::tm t = localTime(when);
    using namespace std::chrono;
    const sys_days day =
        year_month_day{year(t.tm_year + 1900), month(static_cast<unsigned>(t.tm_mon + 1)),
                       std::chrono::day(static_cast<unsigned>(t.tm_mday))};
    const auto local = day + hours(t.tm_hour) + minutes(t.tm_min) + seconds(t.tm_sec);
    return static_cast<int>(duration_cast<minutes>(local - floor<seconds>(when)).count());
}

}  // namespace tilt
