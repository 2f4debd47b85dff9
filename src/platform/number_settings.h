#pragma once

#include <string>

namespace tilt::platform {

// The decimal separator of the user's number settings, as UTF-8 text: "." or "," for most, and
// whatever else a locale uses.
[[nodiscard]] std::string decimalSeparator();

}  // namespace tilt::platform
