#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "link/protocol.h"
#include "live/live_sampling.h"
#include "platform/udp_endpoint.h"

namespace tilt {
class ErrorReporter;
}
namespace tilt::link {
class DeviceLink;
}

namespace tilt::remote::ui {

// Where the sampler sends, and whether it sends at all: set by the window, read by the sampling
// loop on the device thread for every reading.
class SendTarget {
  public:
    // Nothing while the remote host is unknown (a name that does not resolve).
    void setPeer(std::optional<platform::UdpPeer> peer);
    void setSending(bool on);

    [[nodiscard]] std::optional<platform::UdpPeer> peer() const;
    [[nodiscard]] bool sending() const;

  private:
    mutable std::mutex mutex_;
    std::optional<platform::UdpPeer> peer_;
    bool sending_ = true;
};

// A reading of the loop and the datagram composed from it, when sending was on.
struct SampledPair {
    link::AngleReading reading;
    std::optional<std::string> datagram;
};

// The angle loop of the remote session, on the device thread: every reading's datagram goes out
// at once from a socket of this thread (a failed send is ignored: the network owes us
// nothing), and each reading is handed to `shown` for the window to show the newest.
[[nodiscard]] live::LiveEnd sampleAndSend(link::DeviceLink& link, ErrorReporter& errors,
                                          std::int16_t commPort, const SendTarget& target,
                                          const std::function<void(SampledPair)>& shown);

}  // namespace tilt::remote::ui
