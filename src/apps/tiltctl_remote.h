#pragma once

#include <vector>

#include "apps/tiltctl_commands.h"

namespace tilt::ctl {

// The remote session from a terminal: send the live angles as datagrams, or receive and print
// the datagrams that arrive.
[[nodiscard]] std::vector<Command> remoteCommands();

}  // namespace tilt::ctl
