#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tilt::link {

class JobScope;

// The three values the program keeps from a connect.
struct OnBoardParameters {
    double tareX = 0;                // degrees, one decimal
    double tareY = 0;                // degrees, one decimal
    double updateTimeIncrement = 0;  // 0..255
};

// Checks the port, then reads EEPROM cells 14, 15, 16, 17 and 30 ('r', 12 ms, the address,
// 250 ms each) and decodes the two tare words. Nothing when the port does not open, or when not
// exactly five bytes came back. A port that fails to open for the reads goes to the job's error
// handler as OpenCommPort; every other failure is just "nothing".
[[nodiscard]] std::optional<OnBoardParameters> readOnBoardParameters(const JobScope& job);

// What the user is told when the parameters could not be read (lines joined by CR LF).
inline constexpr std::string_view kOnBoardFailureMessage =
    "A communication failure has occurred!\r\n"
    "On-board parameters were not retrieved from the Tiltavarometer.\r\n"
    "Check your hardware set-up and try again.";

// The decoding of the five cells, tare words high byte first.
[[nodiscard]] OnBoardParameters decodeOnBoardParameters(const std::array<std::uint8_t, 5>& cells);

}  // namespace tilt::link
