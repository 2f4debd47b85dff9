#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

namespace tilt {
class ErrorReporter;
}
namespace tilt::link {
class DeviceLink;
}

namespace tilt::logging {

enum class EraseEnd { Completed, Halted, Failed };

// Erases the device's data memory: 'e', then every 500 ms the number of progress bytes waiting
// (never read) goes to `onCount`, until 2050 have come (Completed) or the user stops it
// (Halted; nothing more is sent, the device finishes on its own). A port failure goes to the
// error handler as "TimerErase_Timer" (Failed).
[[nodiscard]] EraseEnd eraseMemory(link::DeviceLink& link, std::int16_t commPort,
                                   ErrorReporter& errors, std::string_view window,
                                   const std::function<void(std::size_t waiting)>& onCount);

}  // namespace tilt::logging
