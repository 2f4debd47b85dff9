#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "link/clock.h"

namespace tilt::link {

class DeviceLink;

// How long a poll waits for its reply before it asks again: a byte lost on the line must not
// stall a sampling loop.
inline constexpr Nanos kPollReplyTimeout = ms(250);

// One request of a sampling loop ('A', 'a'): sends `command`, waits for `replyBytes` and takes
// everything waiting. The reply when exactly that many came; nothing for a reply of another
// length, none within the timeout, or a stop (the caller then asks again or ends). A stray byte
// waiting before the command goes out is dropped first, so it is never taken for the reply.
// Throws when the port fails.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> poll(DeviceLink& link, std::uint8_t command,
                                                            std::size_t replyBytes);

}  // namespace tilt::link
