#pragma once

#include <vector>

#include "apps/tiltctl_commands.h"

namespace tilt::ctl {

// A recording for people and other programs: export writes every sample with its time as CSV
// or JSON lines; report draws one printed page of it.
[[nodiscard]] std::vector<Command> exportCommands();

}  // namespace tilt::ctl
