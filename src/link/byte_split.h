#pragma once

#include <cstdint>

namespace tilt {
class ErrorReporter;
}

namespace tilt::link {

// High byte of a 16-bit value: the quotient by 256, truncated toward zero. A quotient outside
// the 16-bit range (value >= 8388608 or <= -8388864) throws the overflow error.
[[nodiscard]] std::int16_t msbOf(std::int32_t value);

// The reporting form: an overflow goes to the error handler (source "ValueToMSB", screen
// "Communications") and the result is 0.
[[nodiscard]] std::int16_t valueToMsb(std::int32_t value, ErrorReporter& errors);

// Low byte of a 16-bit value: value AND 255. Cannot fail.
[[nodiscard]] std::int16_t valueToLsb(std::int16_t value);

}  // namespace tilt::link
