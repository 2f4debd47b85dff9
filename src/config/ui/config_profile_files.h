#pragma once

#include <optional>

#include "config/config_values.h"

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::config::ui {

// Saves the profile `values` (all the profile keys) to a file the user chooses in the data
// folder. A profile that could not be opened again (a value beyond its limits, no rate chosen)
// is not saved; the user is told why, as when the file cannot be written.
void saveProfile(common::ui::AppContext& context, const ParameterValues& values);

// The profile in a file the user chooses, complete and within the limits; nothing when the
// user cancelled or the file was refused (the user has been told why, naming the key).
[[nodiscard]] std::optional<ParameterValues> openProfile(common::ui::AppContext& context);

}  // namespace tilt::config::ui
