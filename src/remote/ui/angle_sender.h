#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "link/protocol.h"
#include "live/live_sampling.h"

namespace tilt {
class ErrorReporter;
}
namespace tilt::link {
class DeviceLink;
}

namespace tilt::remote::ui {

// What the window tells the sampling loop on the device thread: whether to send (Send / No
// Send, set by the window and read for each reading), and where the datagrams go (the
// window's outbox: the socket they leave through is the window's).
class SendTarget {
  public:
    explicit SendTarget(std::function<void(std::string)> post) : post_(std::move(post)) {}

    void setSending(bool on) { sending_ = on; }
    [[nodiscard]] bool sending() const { return sending_; }

    // Any thread.
    void post(std::string datagram) const { post_(std::move(datagram)); }

  private:
    std::atomic<bool> sending_{true};
    std::function<void(std::string)> post_;
};

// A reading of the loop and the datagram composed from it, when sending was on.
struct SampledPair {
    link::AngleReading reading;
    std::optional<std::string> datagram;
};

// The angle loop of the remote session, on the device thread: every reading's datagram is
// posted to the window for sending, and each reading is handed to `shown` for the window to
// show the newest.
[[nodiscard]] live::LiveEnd sampleAndSend(link::DeviceLink& link, ErrorReporter& errors,
                                          std::int16_t commPort, const SendTarget& target,
                                          const std::function<void(SampledPair)>& shown,
                                          const std::function<void(bool silent)>& silence);

}  // namespace tilt::remote::ui
