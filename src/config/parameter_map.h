#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace tilt::config {

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

// One parameter of the configuration: where it lives, how the Configuration window shows it,
// its limits and default, and the steps of the read and the write that handle it.
struct Parameter {
    int address;  // its first cell
    Encoding encoding;
    int cells;                     // 1 or 2
    std::string_view caption;      // "X Offset"
    std::string_view field;        // the window's control: "NumEdit2", "txtSerialNumber"
    std::string_view recordField;  // the record's field, the profile's key: "OffsetX"
    double min = 0;
    double max = 0;
    double defaultValue = 0;
    int readStep = 0;   // the read's step for the first cell
    int writeStep = 0;  // the write's step for the first cell; 0 when never written
};

// Every parameter, in the order of their cells.
[[nodiscard]] std::span<const Parameter> parameterMap();

// The parameter whose record field (or profile key) is `recordField`, if any.
[[nodiscard]] const Parameter* findParameter(std::string_view recordField);

// The 25 fields the window edits as numbers: words, angles, bytes and the two bin angles.
[[nodiscard]] bool isNumericField(const Parameter& parameter);

// The fields a profile holds and a write sends: the numeric fields but the bin angles, and the
// linear update rate.
[[nodiscard]] bool isProfileField(const Parameter& parameter);

// Full scale of an angle parameter: 180 for X, 90 for Y.
[[nodiscard]] double fullScaleOf(Encoding encoding);

// The angle encoders: an angle in degrees to the unrounded count of its word (0 to 65536).
[[nodiscard]] double AngleToInteger90(double angle);
[[nodiscard]] double AngleToInteger180(double angle);

// A word 0..65535 as the signed count it holds.
[[nodiscard]] double WordToSigned(double word);

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

// The rate codes of address 102.
inline constexpr double kRate75Hz = 75;
inline constexpr double kRate15Hz = 15;

}  // namespace tilt::config
