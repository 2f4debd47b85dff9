#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tilt::link {

class JobScope;

// What a query came back with.
struct QueryReply {
    // Exactly the bytes asked for; nothing when another number came, or after a stop.
    std::optional<std::vector<std::uint8_t>> bytes;
    // The port could not be opened (reported by the open), or failed during the exchange (the
    // adapter pulled out: not reported, `failure` says why). Asking again would only fail again.
    bool portFailed = false;
    std::string failure;
};

// One question-and-answer exchange on a port of its own: open the job's port (a failure goes to
// the error handler as OpenCommPort), drop whatever is waiting, let `send` put
// the requests and their pauses on the line, take everything that came back, close. The replies
// of several requests arrive back to back, so only their total counts. A port that fails during
// the exchange makes the query fail without a report of its own: the caller's message for a
// failed query tells the user.
[[nodiscard]] QueryReply queryDevice(const JobScope& job, const std::function<void()>& send,
                                     std::size_t replyBytes);

}  // namespace tilt::link
