#pragma once

#include <vector>

#include "apps/tiltctl_commands.h"

namespace tilt::ctl {

// The recordings library of this computer: what was downloaded or imported, from which logger,
// and every configuration read or written.
[[nodiscard]] std::vector<Command> libraryCommands();

}  // namespace tilt::ctl
