#pragma once

#include <functional>
#include <optional>
#include <string>

#include "live/live_sampling.h"

namespace tilt::link {
class JobScope;
}

namespace tilt::remote {

// Where the datagrams of a remote session go: the UDP endpoint itself from a terminal, the
// window's outbox on its way to the window's own socket. Called on the loop's thread.
class DatagramSink {
  public:
    virtual ~DatagramSink() = default;
    // UDP promises no delivery: a datagram that cannot go out is the sink's to count, and the
    // loop goes on.
    virtual void send(const std::string& datagram) = 0;
};

// What the remote session's sampling does with each reading besides sending it.
struct AngleSending {
    // Whether this reading is sent (the window's Send / No Send, the end of a terminal's count);
    // asked for each reading. Unset: every reading is sent.
    std::function<bool()> sending;
    // Each reading, with the datagram that was sent for it, if any.
    std::function<void(const live::AngleSample&, const std::optional<std::string>&)> sampled;
    // The device has not answered for a while (true), or answers again (false).
    std::function<void(bool silent)> silence;
};

// The sending side of a remote session, for the window and for tiltctl alike: the angle loop
// as the live angle display runs it, each reading composed into its angle datagram and handed to
// `sink` while sending is on. Runs until stopped.
[[nodiscard]] live::LiveEnd sendSampledAngles(const link::JobScope& job, DatagramSink& sink,
                                              const AngleSending& sending);

}  // namespace tilt::remote
