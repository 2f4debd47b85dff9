#include "config/profile.h"

#include <cmath>

#include "common/number_text.h"
#include "common/quoted.h"

namespace tilt::config {

namespace {

// An angle read back from its word may lie a count beyond its limit (the word 32768 is
// -180.0055 degrees); a profile saved from such a logger is still good.
double slack(const Parameter& p) {
    const bool angle = p.encoding == Encoding::AngleX || p.encoding == Encoding::AngleY;
    return angle ? fullScaleOf(p.encoding) / 32767.0 : 0.0;
}

}  // namespace

std::optional<std::string> profileProblem(const ProfileEntries& profile, bool complete) {
    for (const auto& [key, value] : profile) {
        const Parameter* p = findParameter(key);
        if (p == nullptr || !isProfileField(*p)) {
            return quoted(key) + " is no configuration parameter";
        }
        if (p->encoding == Encoding::RateCode) {
            if (value != kRateCode7p5Hz && value != kRateCode15Hz) {
                return quoted(key) + " is " + numberText(value) + "; it must be 75 or 15";
            }
        } else if (!std::isfinite(value) || value < p->min - slack(*p) ||
                   value > p->max + slack(*p)) {
            return quoted(key) + " is " + numberText(value) + "; it must be " + numberText(p->min) +
                   " to " + numberText(p->max);
        }
    }
    if (complete) {
        for (const std::string_view key : profileKeys()) {
            if (!profile.contains(key)) {
                return quoted(key) + " is missing";
            }
        }
    }
    return std::nullopt;
}

ProfileEntries withoutIdentity(ProfileEntries entries) {
    std::erase_if(entries, [](const auto& entry) {
        const Parameter* p = findParameter(entry.first);
        return p != nullptr && p->encoding == Encoding::Identity;
    });
    return entries;
}

std::vector<std::string_view> profileKeys() {
    std::vector<std::string_view> keys;
    for (const Parameter& p : parameterMap()) {
        if (isProfileField(p)) {
            keys.push_back(p.key);
        }
    }
    return keys;
}

ParameterValues valuesOf(const ProfileEntries& profile) {
    ParameterValues values;
    for (const auto& [key, value] : profile) {
        if (const Parameter* p = findParameter(key)) {
            values[p->field] = value;
        }
    }
    return values;
}

ProfileEntries entriesOf(const ParameterValues& values) {
    ProfileEntries entries;
    for (const auto& [field, value] : values) {
        entries[std::string(parameterOf(field).key)] = value;
    }
    return entries;
}

}  // namespace tilt::config
