#pragma once

#include <optional>
#include <string>

#include "config/config_values.h"
#include "config/profile.h"

namespace tilt::platform {

// A configuration profile as JSON: one object whose keys are the profile keys ("OffsetX" to
// "LinearUpdateRate") and whose values are numbers.
[[nodiscard]] std::string profileJson(const config::ParameterValues& values);

// What a profile's text holds, or what is wrong with it: not JSON, not one object, a value that
// is not a number (the key named). The keys and limits are checked by
// config::profileProblem.
struct ParsedProfile {
    config::ProfileEntries entries;
    std::optional<std::string> problem;
};
[[nodiscard]] ParsedProfile parseProfile(const std::string& text);

// A read configuration as JSON: the profile keys, then "SerialNumber" and the launch time
// ("LaunchDay", "LaunchMonth", "LaunchYear", "LaunchHour", "LaunchMinute", "LaunchSecond").
[[nodiscard]] std::string configurationJson(const config::DeviceConfiguration& configuration);

}  // namespace tilt::platform
