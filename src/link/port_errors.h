#pragma once

#include <string>

#include "common/error.h"

namespace tilt::link {

// The failures of a serial line that a user can do something about, each worded once so that
// every transport (system port, simulated line) and both programs tell them alike: the port by
// name, what happened, and what to do.

// The port is not there (no such device, or a number beyond the port list).
[[nodiscard]] Error noSuchPortError(const std::string& port);

// Another program (or another copy of this one) holds the port.
[[nodiscard]] Error portInUseError(const std::string& port);

// The user may not open serial ports: on Linux, not in the dialout group.
[[nodiscard]] Error portPermissionError(const std::string& port);

// An open port failed under us: the adapter was pulled, the cable cut, the terminal closed.
// `detail` is the system's own word for it, for the error log.
[[nodiscard]] Error portLostError(const std::string& port, const std::string& detail);

}  // namespace tilt::link
