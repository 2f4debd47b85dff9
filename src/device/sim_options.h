#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/attitude.h"
#include "link/clock.h"

namespace tilt::device {

using link::Nanos;

// What the simulated memory holds at power-up.
enum class Preload { Empty, Bin, Linear1, Linear2, Linear3 };

// Faults on the device's replies, each a probability per reply; at most one strikes a reply.
// A silence mutes the device for `silenceLength` at every `silenceEvery`.
struct FaultPlan {
    double lose = 0;
    double extra = 0;
    double garble = 0;
    double shortReply = 0;
    Nanos silenceLength{0};
    Nanos silenceEvery{0};

    [[nodiscard]] bool any() const {
        return lose > 0 || extra > 0 || garble > 0 || shortReply > 0 ||
               (silenceLength.count() > 0 && silenceEvery.count() > 0);
    }
};

struct SimOptions {
    Preload preload = Preload::Empty;
    int pages = 40;  // recorded data pages (1..2047)
    int pushes = 3;  // button pushes in a linear3 recording
    std::uint64_t seed = 1;
    bool pace = true;  // 19200-baud byte timing
    FaultPlan faults;
    // A slow logger: every reply starts this long after its request, on top of the line's own
    // latency, and a random extra of up to `replyJitter` on top of that.
    Nanos replyDelay{0};
    Nanos replyJitter{0};
    // A logger whose pace changes while it runs: from `at` after power-up on, replies start
    // `delay` after their request instead of `replyDelay`.
    struct DelayChange {
        Nanos delay{0};
        Nanos at{0};
    };
    std::optional<DelayChange> replyDelayChange;
    bool keepRxLog = true;  // remember every received byte with its time
    // Held still at this attitude instead of moving; the desktop program's simulated device
    // always moves.
    std::optional<FixedAttitude> attitude;
};

// Parsers for the option texts; each throws std::invalid_argument with a message a user can act
// on.
[[nodiscard]] Preload parsePreload(std::string_view text);
[[nodiscard]] std::string_view preloadName(Preload preload);
[[nodiscard]] FaultPlan parseFaultList(std::string_view text);  // "lose=0.01,silence=3s@every20s"
[[nodiscard]] Nanos parseDuration(std::string_view text);       // "3s", "250ms", "1.5s"
[[nodiscard]] bool parseOnOff(std::string_view text);
// A reply delay in milliseconds, "150" or "0.5", from 0 to 10000; `option` names it in a refusal.
[[nodiscard]] Nanos parseReplyDelay(std::string_view text, std::string_view option);
// "150@5s": replies start 150 ms after their request from 5 s after power-up on.
[[nodiscard]] SimOptions::DelayChange parseReplyDelayChange(std::string_view text);
[[nodiscard]] FixedAttitude parseAttitude(std::string_view text);  // "30,-20": X, Y in degrees

}  // namespace tilt::device
