#pragma once

#include <vector>

#include "apps/tiltctl_commands.h"

namespace tilt::ctl {

// The logger's configuration from a terminal: config read, defaults, write, set and diff, the
// whole EEPROM, and the accelerometer calibration.
[[nodiscard]] std::vector<Command> configCommands();

}  // namespace tilt::ctl
