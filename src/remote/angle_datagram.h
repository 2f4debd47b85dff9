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

// Reads a datagram from the network, which anyone may send anything to. A text that starts and
// ends with "KT" and holds a "/" between the markers is a pair: X is the value of the text before
// the first "/" and Y of the text after it, each its leading number (0 when there is none: "KT/KT"
// is 0 and 0, "KT3/4 degreesKT" is 3 and 4) rounded, halves to even, to a 16-bit whole number.
// Nothing for any other text, whatever its length or bytes, and nothing when a side does not fit
// in 16 bits: such a datagram changes nothing rather than move a dial to a wrong angle.
[[nodiscard]] std::optional<ReceivedAngles> decodeAngleDatagram(std::string_view text);

}  // namespace tilt::remote
