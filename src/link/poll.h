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

// How long after a reply's last byte a surplus byte of the same reply may still come: one byte
// time at 19200 baud (0.52 ms) and a margin. The reply to the next request cannot come sooner
// than two byte times (the request going out, then its first byte coming back), so a byte seen
// within this window belongs to the reply before.
inline constexpr Nanos kSurplusWindow = std::chrono::microseconds(650);

// The request-reply loop of a sampling window ('A', 'a'): sends `command`, waits for
// `replyBytes` and takes exactly a reply of that length that no surplus byte follows. A reply of
// another length, none within the timeout, or an over-long one is dropped and asked again, so a
// stray byte never shifts the replies that follow.
//
// To keep the device's pace, the next request goes out as soon as a reply is complete (when the
// caller allows it) and the surplus check runs while that request is on its way.
class Poller {
  public:
    Poller(DeviceLink& link, std::uint8_t command, std::size_t replyBytes)
        : link_(link), command_(command), replyBytes_(replyBytes) {}

    // The next good reply, or nothing (dropped, none in time, or a stop: the caller then calls
    // again or ends). `askAgainAtOnce` lets the next request go out before this call returns;
    // pass false when something else must be sent first. Throws when the port fails.
    [[nodiscard]] std::optional<std::vector<std::uint8_t>> next(bool askAgainAtOnce);

    // Forgets the request in flight: the next call drops whatever waits and asks afresh. For a
    // caller that sent something else in between.
    void restart() { inFlight_ = false; }

  private:
    void ask();
    void waitForQuiet();

    DeviceLink& link_;
    std::uint8_t command_;
    std::size_t replyBytes_;
    bool inFlight_ = false;
    bool lineDirty_ = false;  // a reply went wrong: let the line go quiet before asking again
};

// One request and its reply, with the same checks: for a single reading.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> poll(DeviceLink& link, std::uint8_t command,
                                                            std::size_t replyBytes);

}  // namespace tilt::link
