#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tilt::remote {

// The sending role binds kSenderPort and sends to kReceiverPort; the receiving role the other way
// round, so that two PCs, one in each role, reach each other. Below 1024: binding them takes
// root on Linux, or another port (the Bind box, tiltctl's --bind).
inline constexpr std::uint16_t kSenderPort = 1001;
inline constexpr std::uint16_t kReceiverPort = 1002;

// The angle datagram a sending PC puts on the network for each sampled pair: "KT" + X + "/" + Y
// + "KT", each angle in the data files' number text ("." as decimal point, no trailing zeros, a
// leading "-" for negatives): 12.3 and -4 give "KT12.3/-4KT".
[[nodiscard]] std::string angleDatagram(double angleX, double angleY);

// The angles of a received datagram, in whole degrees.
struct ReceivedAngles {
    std::int16_t x = 0;
    std::int16_t y = 0;
};

// Reads a datagram from the network, which anyone may send anything to: it must start and end
// with "KT" and hold a "/" between them, and each side must be a number, which is rounded
// (halves to even) to a 16-bit whole number. Nothing for anything else, whatever its length or
// bytes, so that nothing but a real pair of angles ever moves a dial.
[[nodiscard]] std::optional<ReceivedAngles> decodeAngleDatagram(std::string_view text);

}  // namespace tilt::remote
