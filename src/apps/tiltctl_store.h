#pragma once

#include <vector>

#include "apps/tiltctl_commands.h"

namespace tilt::ctl {

// The team store on a PostgreSQL server: init, push, query.
[[nodiscard]] std::vector<Command> storeCommands();

}  // namespace tilt::ctl
