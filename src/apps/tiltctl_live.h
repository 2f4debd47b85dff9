#pragma once

#include <vector>

#include "apps/tiltctl_commands.h"

namespace tilt::ctl {

// Live readings from a terminal: the angle and accelerometer loops, tare and untare, and the
// DAC writes.
[[nodiscard]] std::vector<Command> liveCommands();

}  // namespace tilt::ctl
