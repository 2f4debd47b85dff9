#pragma once

#include "common/data_paths.h"

namespace tilt::platform {

// The program's data root, made if missing: $TILTAVAROMETER_HOME, or the user's data folder
// "Tiltavarometer" (~/.local/share/Tiltavarometer), the same for the desktop program and
// tiltctl.
[[nodiscard]] DataPaths dataPaths();

}  // namespace tilt::platform
