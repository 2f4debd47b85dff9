#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tilt::config {

// Every parameter of the configuration, in the order of their cells.
enum class Field : std::uint8_t {
    OffsetX,
    OffsetY,
    OffsetZ,
    GainX,
    GainY,
    GainZ,
    TareX,
    TareY,
    LowAlarmX,
    HighAlarmX,
    LowAlarmY,
    HighAlarmY,
    MinBinAngle,
    MaxBinAngle,
    UpdateTimeIncrement,
    Averages,
    Shaker,
    FilterLevel,
    TareApplied,
    Mode,
    Channel,
    Dac1,
    Dac2,
    Dac3,
    Dac4,
    SerialNumber,
    LinearRate,
    LaunchDay,
    LaunchYear,
    LaunchHour,
    LaunchMinute,
    LaunchSecond,
    LaunchMonth,
};
inline constexpr std::size_t kFieldCount = static_cast<std::size_t>(Field::LaunchMonth) + 1;

// How a parameter sits in the EEPROM.
enum class Encoding {
    Word,      // two cells, high byte first, 0 to 65535
    AngleX,    // a word holding a signed count, 32767 = 180 degrees
    AngleY,    // the same with 32767 = 90 degrees
    Byte,      // one cell, 0 to 255
    Unread,    // read with the rest, never decoded and never written (the bin angles)
    RateCode,  // one cell: 75 for 7.5 Hz, 15 for 15 Hz
    Identity,  // shown as text only, never written (serial number, launch time)
};

// One parameter of the configuration: where it lives, its caption, its limits and default, and
// the steps of the read and the write that handle it.
struct Parameter {
    Field field;
    int address;  // its first cell
    Encoding encoding;
    int cells;                 // 1 or 2
    std::string_view caption;  // "X Offset"
    std::string_view key;      // a profile's and tiltctl's name for it: "OffsetX"
    double min = 0;
    double max = 0;
    double defaultValue = 0;
    int readStep = 0;   // the read's step for the first cell
    int writeStep = 0;  // the write's step for the first cell; 0 when never written
};

// Every parameter, in the order of their cells.
[[nodiscard]] std::span<const Parameter> parameterMap();

[[nodiscard]] const Parameter& parameterOf(Field field);

// The parameter whose profile key is `key`, if any.
[[nodiscard]] const Parameter* findParameter(std::string_view key);

// The 25 fields the window edits as numbers: words, angles, bytes and the two bin angles.
[[nodiscard]] bool isNumericField(const Parameter& parameter);

// The fields a profile holds and a write sends: the numeric fields but the bin angles, and the
// linear update rate.
[[nodiscard]] bool isProfileField(const Parameter& parameter);

// Full scale of an angle parameter: 180 for X, 90 for Y.
[[nodiscard]] double fullScaleOf(Encoding encoding);

// The angle encoders: an angle in degrees to the unrounded count of its word (0 to 65536), for a
// full scale of 90 (Y) or 180 (X) degrees.
[[nodiscard]] double angleWordY(double angle);
[[nodiscard]] double angleWordX(double angle);

// A word 0..65535 as the signed count it holds.
[[nodiscard]] double signedCount(double word);

// The read: 53 steps, 2 to 54, each reading one cell.
inline constexpr int kFirstReadStep = 2;
inline constexpr int kLastReadStep = 54;
inline constexpr int kReadSteps = kLastReadStep - kFirstReadStep + 1;
[[nodiscard]] int readStepAddress(int step);

// The raw reply of each read step, at the step's index (2 to 54).
using ReadArray = std::array<std::uint8_t, kLastReadStep + 1>;

// The write: 44 ticks, steps 2 to 45.
inline constexpr int kFirstWriteStep = 2;
inline constexpr int kLastWriteStep = 45;
inline constexpr int kWriteSteps = kLastWriteStep - kFirstWriteStep + 1;

// The rate codes of address 102: 75 stands for 7.5 Hz, 15 for 15 Hz.
inline constexpr double kRateCode7p5Hz = 75;
inline constexpr double kRateCode15Hz = 15;

}  // namespace tilt::config
