#pragma once

#include <vector>

#include "apps/tiltctl_commands.h"

namespace tilt::ctl {

// Pictures of data files for reports: plot draws the graphs of the desktop program's graph
// windows into a PNG picture or a PDF document, without a window.
[[nodiscard]] std::vector<Command> plotCommands();

// The application of a command that draws graphs (widgets) without a display.
[[nodiscard]] std::unique_ptr<QCoreApplication> offscreenApplication(int& argc, char** argv);

}  // namespace tilt::ctl
