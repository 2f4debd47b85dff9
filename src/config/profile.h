#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_values.h"

namespace tilt::config {

// A profile as a file or the command line gives it: numbers by profile key ("OffsetX"),
// unchecked. The keys meet the fields here and nowhere else.
using ProfileEntries = std::map<std::string, double, std::less<>>;

// What is wrong with a profile, naming the key: an unknown key, a missing one (when
// `complete`), or a value outside the field's limits (the rate: 75 or 15). Nothing when it is
// good. The keys are looked at in their alphabetical order.
[[nodiscard]] std::optional<std::string> profileProblem(const ProfileEntries& profile,
                                                        bool complete);

// A profile made of `entries`: a logger's own serial number and launch time (as a read gives
// them) are left out, as they are never written.
[[nodiscard]] ProfileEntries withoutIdentity(ProfileEntries entries);

// The values of a profile that profileProblem found good, by field.
[[nodiscard]] ParameterValues valuesOf(const ProfileEntries& profile);

// `values` by their profile keys.
[[nodiscard]] ProfileEntries entriesOf(const ParameterValues& values);

// The profile keys in the order of the map.
[[nodiscard]] std::vector<std::string_view> profileKeys();

}  // namespace tilt::config
