#pragma once

#include <vector>

#include "apps/tiltctl_commands.h"

namespace tilt::ctl {

// The logging session from a terminal: download, csv, erase and launch.
[[nodiscard]] std::vector<Command> loggingCommands();

}  // namespace tilt::ctl
