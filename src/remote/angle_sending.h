#pragma once

#include <functional>
#include <optional>
#include <string>

#include "live/live_sampling.h"

namespace tilt {
class ErrorReporter;
}
namespace tilt::link {
class DeviceLink;
}

namespace tilt::remote {

// What the remote session's sampling does with each reading.
struct AngleSending {
    // Whether this reading is sent (the window's Send / No Send, the end of a terminal's count);
    // asked for each reading. Unset: every reading is sent.
    std::function<bool()> sending;
    // Takes the reading's datagram. The caller decides how it reaches the network: the
    // terminal sends it at once, the window hands it to its own thread, whose socket it is.
    std::function<void(const std::string&)> send;
    // Each reading, with the datagram that was sent for it, if any.
    std::function<void(const live::AngleSample&, const std::optional<std::string>&)> sampled;
    // The device has not answered for a while (true), or answers again (false).
    std::function<void(bool silent)> silence;
};

// The sending side of a remote session, for the window and for tiltctl alike: the angle loop
// as the live angle display runs it, each reading composed into its angle datagram while
// sending is on. Runs until stopped.
[[nodiscard]] live::LiveEnd sendSampledAngles(link::DeviceLink& link, ErrorReporter& errors,
                                              const live::LiveOptions& options,
                                              const AngleSending& sending);

}  // namespace tilt::remote
