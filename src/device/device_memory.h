#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "device/sim_options.h"

namespace tilt::device {
class Attitude;
}

namespace tilt::device {

// Cells of the EEPROM that the simulated firmware itself looks at.
namespace cell {
inline constexpr int kOffsetX = 2;  // words 2/3, 4/5, 6/7
inline constexpr int kGainX = 8;    // words 8/9, 10/11, 12/13
inline constexpr int kTareX = 14;   // angle words 14/15 and 16/17
inline constexpr int kTareY = 16;
inline constexpr int kUpdateTimeIncrement = 30;
inline constexpr int kTareEnable = 34;
inline constexpr int kMode = 42;           // 0 bin, 1 linear
inline constexpr int kChannel = 43;        // 1 X, 2 Y, 3 X and Y
inline constexpr int kSerialNumber = 100;  // word 100/101
inline constexpr int kLinearRate = 102;    // 75 = 7.5 Hz, otherwise 15 Hz
inline constexpr int kLaunchDay = 103;  // 103 day, 104/105 year, 106 h, 107 min, 108 s, 109 month
}  // namespace cell

inline constexpr int kFlashPages = 2048;
inline constexpr std::size_t kFlashPageBytes = 264;
inline constexpr std::uint8_t kMarker = 127;  // both bytes of a channel-3 pair: button pushed

struct DeviceMemory {
    std::array<std::uint8_t, 256> eeprom{};
    std::vector<std::uint8_t> flash =
        std::vector<std::uint8_t>(kFlashPages * kFlashPageBytes, 0xFF);

    [[nodiscard]] std::span<std::uint8_t> page(int number);
    [[nodiscard]] std::span<const std::uint8_t> page(int number) const;
    [[nodiscard]] int word(int address) const;
    void setWord(int address, int value);
    void eraseFlash();
};

// The memory of a device fresh from the options: the factory configuration, a serial number and
// launch time from the seed, and the chosen recording with matching mode and channel cells.
[[nodiscard]] DeviceMemory powerUpMemory(const SimOptions& options);

// Sample rates of a linear recording: 7.5 Hz when the rate cell holds 75, otherwise 15 Hz.
[[nodiscard]] double linearRateHz(const DeviceMemory& memory);

// Writes linear samples [from, to) of a recording that started at `startSeconds` on the
// attitude's time line, for channel 1 (X), 2 (Y) or 3 (X and Y pairs). Returns how many fit.
std::int64_t recordLinearSamples(DeviceMemory& memory, int channel, const Attitude& attitude,
                                 std::int64_t from, std::int64_t to, double startSeconds,
                                 double rateHz);

// Writes bin pair `pair` (pages 2*pair+1 for X and 2*pair+2 for Y): histograms of the attitude
// over one period. False when the memory is full.
bool recordBinPair(DeviceMemory& memory, int pair, const Attitude& attitude, double startSeconds,
                   double periodSeconds, double rateHz);

// Page 0 as the firmware writes it when logging starts: a copy of the configuration. Readers
// skip it.
void writeSessionHeaderPage(DeviceMemory& memory);

}  // namespace tilt::device
