#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_values.h"
#include "link/protocol.h"

namespace tilt::link {
class JobScope;
}

namespace tilt::config {

// One accelerometer axis while calibrating: the last reading, the smallest and largest seen,
// and the offset (their midpoint) and gain (half their distance). Min starts at 1024 and Max at
// 0, so the first reading r sets both to r.
struct AxisCalibration {
    double current = 0;
    double min = 1024;
    double max = 0;
    double offset = 0;
    double gain = 0;
    bool sampled = false;

    void add(double reading);
};

// The three axes, X, Y, Z.
struct CalibrationTracker {
    std::array<AxisCalibration, 3> axes;

    void add(const link::AccelerometerReading& reading);
};

// What a calibration writes: offset X, Y, Z, then gain X, Y, Z.
using CalibrationValues = std::array<double, 6>;
[[nodiscard]] CalibrationValues calibrationValuesOf(const CalibrationTracker& tracker);

// The calibration write: 12 ticks, cells 2 to 13 (X Offset 2/3 to Z Gain 12/13), each value
// rounded (halves to even), high byte first. Checked before anything is sent: a value whose
// bytes do not fit throws UnsendableValue naming its field.
[[nodiscard]] std::vector<std::optional<CellWrite>> calibrationWrite(
    const CalibrationValues& values);

// The step counter of the calibration write: the cell it writes next, from the first offset
// cell (2) to one past the last gain cell (14).
[[nodiscard]] int calibrationFirstCell();
[[nodiscard]] int calibrationEndCell();

// What the progress frame says after `done` ticks of the calibration write: "Writing 3" to
// "Writing 13", then "Writing Progress".
[[nodiscard]] std::string calibrationWritingCaption(int done);

enum class SamplingEnd {
    Stopped,     // the user stopped it
    PortFailed,  // reported to the error handler
};

// What a window follows of a calibration's sampling besides its readings.
struct SamplingWatch {
    // The shaker cell has been written (its 0 is in the logger).
    std::function<void()> shakerOff;
    // The device has not answered for a while (true), or answers again (false).
    std::function<void(bool silent)> silence;
};

// Sampling for a calibration: the shaker is switched off first ('p', 32, 0 with the 12 ms
// pauses; the port closed; 1000 ms), then 'a' is asked for again and again, each 6-byte reply
// going to `onReading`; a reply of another length is dropped and asked for again. A reply
// that overflows the 16-bit words is reported as "MSComm1_OnComm" and lost; the loop goes on.
// Runs until stopped.
[[nodiscard]] SamplingEnd sampleAccelerometers(
    const link::JobScope& job,
    const std::function<void(const link::AccelerometerReading&)>& onReading,
    const SamplingWatch& watch = {});

}  // namespace tilt::config
