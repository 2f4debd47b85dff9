#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tilt::link {

class DeviceLink;

// Command bytes of the device.
namespace cmd {
inline constexpr std::uint8_t kProbe = 'f';
inline constexpr std::uint8_t kReadByte = 'r';
inline constexpr std::uint8_t kWriteByte = 'p';
inline constexpr std::uint8_t kAngles = 'A';
inline constexpr std::uint8_t kAccelerations = 'a';
inline constexpr std::uint8_t kReadPage = 'd';
inline constexpr std::uint8_t kFirmwareVersion = 'l';
inline constexpr std::uint8_t kSamplingFrequency = 'm';
inline constexpr std::uint8_t kErase = 'e';
inline constexpr std::uint8_t kStartLogging = 'X';
}  // namespace cmd

// Reply lengths and memory geometry.
inline constexpr std::size_t kProbeReplyBytes = 1;
inline constexpr std::size_t kAnglesReplyBytes = 4;
inline constexpr std::size_t kAccelerationsReplyBytes = 6;
inline constexpr std::size_t kPageBytes = 264;
inline constexpr std::size_t kEraseProgressBytes = 2050;
inline constexpr int kDevicePageCount = 2048;
inline constexpr int kEepromBytes = 256;

// Pause the program keeps after each command byte that has arguments following it.
inline constexpr std::int32_t kArgumentPauseMs = 12;

// Full scale of the angle words: 32767 stands for 180 degrees on X and 90 on Y.
inline constexpr double kFullScaleX = 180.0;
inline constexpr double kFullScaleY = 90.0;
inline constexpr double kAngleWordFullScale = 32767.0;

// Request helpers. Every argument is checked before the command byte goes out, so a value
// that does not fit a byte never leaves the device half-addressed (throws the overflow error),
// and a page outside the memory is never asked for (throws kBadArgument).
void requestReadByte(DeviceLink& link, int address, std::int32_t pauseAfterMs);
void requestWriteByte(DeviceLink& link, int address, int value);
void requestPage(DeviceLink& link, std::int32_t page);

// Reply decoders.
[[nodiscard]] int unsignedWord(std::uint8_t high, std::uint8_t low);
[[nodiscard]] int signedWord(std::uint8_t high, std::uint8_t low);     // two's complement
[[nodiscard]] double wordToDegrees(int signedWord, double fullScale);  // one decimal, ties even

struct AngleReading {
    int wordX = 0;  // as received, 0..65535
    int wordY = 0;
    double angleX = 0;  // degrees, one decimal
    double angleY = 0;
};
[[nodiscard]] std::optional<AngleReading> decodeAngles(std::span<const std::uint8_t> reply);

struct AccelerometerReading {
    std::int16_t x = 0, y = 0, z = 0;
};
// The accelerometers' converters count 0 to this (10 bits).
inline constexpr int kAccelerometerCountMax = 1023;
// Words are 16-bit signed: a high byte of 128 or more throws the overflow error.
[[nodiscard]] std::optional<AccelerometerReading> decodeAccelerations(
    std::span<const std::uint8_t> reply);

// Erased memory: a page whose first six bytes are all 0xFF.
[[nodiscard]] bool isErasedPage(std::span<const std::uint8_t> page);

}  // namespace tilt::link
