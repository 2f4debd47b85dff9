#include "link/onboard_parameters.h"

#include <array>

#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/port_probe.h"
#include "link/protocol.h"
#include "link/query.h"

namespace tilt::link {

namespace {
constexpr std::array<int, 5> kCells = {14, 15, 16, 17, 30};
constexpr std::int32_t kCellWaitMs = 250;
constexpr double kTareXFullScale = 180;
constexpr double kTareYFullScale = 90;
}  // namespace

OnBoardParameters decodeOnBoardParameters(const std::array<std::uint8_t, 5>& cells) {
    OnBoardParameters p;
    p.tareX = wordToDegrees(signedWord(cells[0], cells[1]), kTareXFullScale);
    p.tareY = wordToDegrees(signedWord(cells[2], cells[3]), kTareYFullScale);
    p.updateTimeIncrement = cells[4];
    return p;
}

std::optional<OnBoardParameters> readOnBoardParameters(const JobScope& job) {
    DeviceLink& link = job.link();
    if (!testCommPort(link, job.commPort())) {
        return std::nullopt;
    }
    const auto reply = queryDevice(
        job,
        [&] {
            for (const int address : kCells) {
                if (link.stopRequested()) {
                    return;
                }
                requestReadByte(link, address, kCellWaitMs);
            }
        },
        kCells.size());
    if (!reply.bytes) {
        return std::nullopt;
    }
    const auto& r = *reply.bytes;
    return decodeOnBoardParameters({r[0], r[1], r[2], r[3], r[4]});
}

}  // namespace tilt::link
