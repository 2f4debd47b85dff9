#pragma once

#include <cstdint>

#include "live/live_requests.h"

namespace tilt::link {
class DeviceLink;
}

namespace tilt::live {

// The tare cells of an axis: X 14/15, Y 16/17.
[[nodiscard]] int tareCell(Axis axis);

// writeTare: the raw word (0 to 65535, as received) into the axis's tare cells, high byte first:
// 'p', the cell, the high byte, 500 ms, 'p', the next cell, the low byte. On an open link.
void writeTare(link::DeviceLink& link, Axis axis, int rawWord);

// removeTare: the same with 0 and 0.
void removeTare(link::DeviceLink& link, Axis axis);

// The cells of a DAC setting: DAC1 62/63, DAC2 64/65, DAC3 66/67.
[[nodiscard]] int dacCell(int dac);

// Write DAC: 'p', the high cell, the high byte, 100 ms, 'p', the low cell, the low byte, 100 ms.
// The value is checked (0 to 65535) and the DAC (1 to 3) before anything is sent: throws the
// overflow error otherwise.
void writeDac(link::DeviceLink& link, int dac, int value);

}  // namespace tilt::live
