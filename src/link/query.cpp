#include "link/query.h"

#include "link/comm_port.h"
#include "link/device_link.h"

namespace tilt::link {

std::optional<std::vector<std::uint8_t>> queryDevice(DeviceLink& link, std::int16_t commPort,
                                                     ErrorReporter& errors, std::string_view window,
                                                     const std::function<void()>& send,
                                                     std::size_t replyBytes) {
    try {
        OpenCommPort(link, commPort, errors, window);
        link.discardInput();
        send();
        std::vector<std::uint8_t> reply = link.readAll();
        link.close();
        if (reply.size() != replyBytes || link.stopRequested()) {
            return std::nullopt;
        }
        return reply;
    } catch (...) {
        try {
            link.close();
        } catch (...) {
            // A failed query is reported as no answer, never as an error.
        }
        return std::nullopt;
    }
}

}  // namespace tilt::link
