#include "link/onboard_parameters.h"

#include <array>

#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/port_probe.h"
#include "link/protocol.h"

namespace tilt::link {

namespace {
constexpr std::array<int, 5> kCells = {14, 15, 16, 17, 30};
constexpr std::int32_t kCellWaitMs = 250;
constexpr double kTareXFullScale = 180;
constexpr double kTareYFullScale = 90;

void closeQuietly(DeviceLink& link) {
    try {
        link.close();
    } catch (...) {
        // A failed read is reported as no parameters, never as an error.
    }
}
}  // namespace

OnBoardParameters decodeOnBoardParameters(const std::array<std::uint8_t, 5>& cells) {
    OnBoardParameters p;
    p.TareX = wordToDegrees(signedWord(cells[0], cells[1]), kTareXFullScale);
    p.TareY = wordToDegrees(signedWord(cells[2], cells[3]), kTareYFullScale);
    p.UpdateTimeIncrement = cells[4];
    return p;
}

std::optional<OnBoardParameters> GetOnBoardParameters(DeviceLink& link, std::int16_t commPort,
                                                      ErrorReporter& errors,
                                                      std::string_view window) {
    if (!TestCommPort(link, commPort)) {
        return std::nullopt;
    }
    try {
        OpenCommPort(link, commPort, errors, window);
        link.discardInput();
        for (const int address : kCells) {
            if (link.stopRequested()) {
                closeQuietly(link);
                return std::nullopt;
            }
            requestReadByte(link, address, kCellWaitMs);
        }
        const auto reply = link.readAll();
        link.close();
        if (reply.size() != kCells.size()) {
            return std::nullopt;
        }
        return decodeOnBoardParameters({reply[0], reply[1], reply[2], reply[3], reply[4]});
    } catch (...) {
        closeQuietly(link);
        return std::nullopt;
    }
}

}  // namespace tilt::link
