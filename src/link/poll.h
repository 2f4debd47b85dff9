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
// The soonest the next reply's first byte can be in after a request goes out: the request byte
// and the reply byte, 1.04 ms at 19200 baud, less a margin.
inline constexpr Nanos kNextReplyEarliest = std::chrono::microseconds(1000);

// A reply of a sampling loop and when its last byte was taken.
struct PolledReply {
    std::vector<std::uint8_t> bytes;
    Nanos at{0};
};

// The request-reply loop of a sampling window ('A', 'a'). A reply counts only when it has
// exactly `replyBytes` and passes two checks:
//   - no surplus byte follows it within kSurplusWindow;
//   - the reply after it passes its own first check. A surplus byte that came too late to be
//     seen (a busy machine, a late wake-up) would shift the next reply by one byte, and that
//     reply's last byte would then trail it as a surplus.
// So each reply is handed on one reply late, and anything that goes wrong drops both, lets the
// line go quiet and asks again: a stray byte never yields a shifted reading. A first check that
// runs too late to tell a surplus byte from the next reply's first (a busy machine) leaves the
// reply to the second check alone, and costs only the reply held before it.
//
// To keep the device's pace, the next request goes out as soon as a reply is complete (when the
// caller allows it) and the surplus check runs while that request is on its way.
class Poller {
  public:
    Poller(DeviceLink& link, std::uint8_t command, std::size_t replyBytes)
        : link_(link), command_(command), replyBytes_(replyBytes) {}

    // The next reply that passed both checks, or nothing (none yet, dropped, none in time, or a
    // stop: the caller then calls again or ends). `askAgainAtOnce` lets the next request go out
    // before this call returns; pass false when something else must be sent first. Throws when
    // the port fails.
    [[nodiscard]] std::optional<PolledReply> next(bool askAgainAtOnce);

    // Ends the exchange for now: waits for the reply of a request still on its way (unless
    // stopped), lets the line go quiet and returns the reply held back, which has passed its own
    // check. The next call of next() asks afresh. For a caller about to send something else, and
    // at the end of a loop.
    [[nodiscard]] std::optional<PolledReply> settle();

  private:
    void ask();
    void waitForQuiet();
    void dropAll();

    DeviceLink& link_;
    std::uint8_t command_;
    std::size_t replyBytes_;
    bool inFlight_ = false;
    Nanos askedAt_{0};  // when the request on its way went out
    bool lineDirty_ = false;
    bool drainLate_ = false;  // a late reply came: let the answers after it go first  // a reply
                              // went wrong: let the line go quiet before asking again
    std::optional<PolledReply> held_;
};

// One request and its reply, with its surplus check: for a single reading.
[[nodiscard]] std::optional<std::vector<std::uint8_t>> poll(DeviceLink& link, std::uint8_t command,
                                                            std::size_t replyBytes);

}  // namespace tilt::link
