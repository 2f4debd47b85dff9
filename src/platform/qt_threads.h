#pragma once

#include "link/port_probe.h"

namespace tilt::platform {

// Threads for work that opens serial ports: QtSerialPort wants threads that Qt started.
[[nodiscard]] link::ThreadStarter qtThreads();

}  // namespace tilt::platform
