#pragma once

#include <cstdint>
#include <string_view>

namespace tilt {
class ErrorReporter;
}

namespace tilt::link {

class DeviceLink;

// Opens the link on `commPort` unless it is open already (an open link keeps its port even if
// the selection changed meanwhile). Failures go to the error handler as "OpenCommPort" with the
// calling window's name.
void OpenCommPort(DeviceLink& link, std::int16_t commPort, ErrorReporter& errors,
                  std::string_view window);

// Closes the link if it is open. Failures go to the error handler as "CloseCommPort".
void CloseCommPort(DeviceLink& link, ErrorReporter& errors, std::string_view window);

}  // namespace tilt::link
