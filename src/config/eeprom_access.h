#pragma once

#include <cstdint>
#include <optional>

namespace tilt::link {
class JobScope;
}

namespace tilt::config {

// Reads one EEPROM cell: open the job's port, 'r', 12 ms, the address, then whatever arrived 100 ms
// later. The cell's value when exactly one byte came back, nothing otherwise. An address that does
// not fit a byte throws the overflow error before anything is sent; a port that cannot be opened
// throws its error. The link is closed on every way out.
[[nodiscard]] std::optional<std::uint8_t> readEepromCell(const link::JobScope& job, int address);

// Writes one EEPROM cell: open, 'p', 12 ms, the address, 12 ms, the value, close. Both are
// checked before the first byte goes out.
void writeEepromCell(const link::JobScope& job, int address, int value);

// The reply wait of a single read.
inline constexpr std::int32_t kSingleReadWaitMs = 100;

}  // namespace tilt::config
