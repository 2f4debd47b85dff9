#pragma once

#include <array>
#include <cstdint>

#include "common/recording_kind.h"

namespace tilt {

// An on/off cell of the logger (the shaker, the tare). The byte is kept as it came: a logger
// holding 2 shows 2 and gets 2 back.
enum class Switch : std::uint8_t { Off = 0, On = 1 };

// The linear update rate's code at EEPROM 102, kept as it came; None stands for no choice made.
enum class LinearRate : std::uint8_t { None = 0, Rate15Hz = 15, Rate7p5Hz = 75 };

// The logger's parameter record as the program last knew it: what a read gave, with what a
// write put in since. Words and counts as numbers, angles in degrees unrounded as a read gives
// them; the identity (serial number, launch time) is shown by the Configuration window, never
// kept.
struct ConfigRecord {
    double offsetX = 0, offsetY = 0, offsetZ = 0;  // counts
    double gainX = 0, gainY = 0, gainZ = 0;
    double tareX = 0, tareY = 0;  // degrees
    double lowAlarmX = 0, highAlarmX = 0, lowAlarmY = 0, highAlarmY = 0;
    double minBinAngle = 0, maxBinAngle = 0;  // never read from the logger
    double updateTimeIncrement = 0;
    double averages = 0;
    Switch shaker = Switch::Off;
    double filterLevel = 0;
    Switch tareApplied = Switch::Off;
    RecordingMode mode = RecordingMode::Bin;
    LinearChannel channel{};
    std::array<double, 4> dac{};  // DAC1 to DAC4
    LinearRate linearRate = LinearRate::None;

    friend bool operator==(const ConfigRecord&, const ConfigRecord&) = default;
};

}  // namespace tilt
