#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace tilt {
class ErrorReporter;
}

namespace tilt::link {

class DeviceLink;

// One question-and-answer exchange on a port of its own: open the port (a failure goes to the
// error handler as OpenCommPort with `window`'s name), drop whatever is waiting, let `send` put
// the requests and their pauses on the line, take everything that came back, close. The replies
// of several requests arrive back to back, so only their total counts: the bytes when exactly
// `replyBytes` came back, nothing otherwise, after a stop, or on any failure.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> queryDevice(
    DeviceLink& link, std::int16_t commPort, ErrorReporter& errors, std::string_view window,
    const std::function<void()>& send, std::size_t replyBytes);

}  // namespace tilt::link
