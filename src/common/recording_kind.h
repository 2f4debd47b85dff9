#pragma once

#include <cstdint>

namespace tilt {

// How the logger records: counts per angle bin, or every sample in turn. The logger keeps it in
// one EEPROM byte; a value the logger should not hold stays as it came, so that it can be shown
// and written back as it was.
enum class RecordingMode : std::uint8_t { Bin = 0, Linear = 1 };

// The channels a linear recording holds.
enum class LinearChannel : std::uint8_t { X = 1, Y = 2, Both = 3 };

[[nodiscard]] constexpr int cellValue(RecordingMode mode) {
    return static_cast<int>(mode);
}
[[nodiscard]] constexpr int cellValue(LinearChannel channel) {
    return static_cast<int>(channel);
}

}  // namespace tilt
