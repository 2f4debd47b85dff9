#include "link/poll.h"

#include "link/device_link.h"

namespace tilt::link {

std::optional<std::vector<std::uint8_t>> poll(DeviceLink& link, std::uint8_t command,
                                              std::size_t replyBytes) {
    link.discardInput();
    link.sendByte(command);
    const bool arrived = link.waitForBytes(replyBytes, link.now() + kPollReplyTimeout);
    if (link.stopRequested()) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> reply = link.readAll();
    if (!arrived || reply.size() != replyBytes) {
        return std::nullopt;
    }
    return reply;
}

}  // namespace tilt::link
