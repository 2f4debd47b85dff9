#include "remote/ui/angle_sender.h"

#include "remote/angle_datagram.h"

namespace tilt::remote::ui {

namespace {
constexpr std::string_view kWindow = "RemoteSession";
}

void SendTarget::setPeer(std::optional<platform::UdpPeer> peer) {
    const std::lock_guard lock(mutex_);
    peer_ = std::move(peer);
}

void SendTarget::setSending(bool on) {
    const std::lock_guard lock(mutex_);
    sending_ = on;
}

std::optional<platform::UdpPeer> SendTarget::peer() const {
    const std::lock_guard lock(mutex_);
    return peer_;
}

bool SendTarget::sending() const {
    const std::lock_guard lock(mutex_);
    return sending_;
}

live::LiveEnd sampleAndSend(link::DeviceLink& link, ErrorReporter& errors, std::int16_t commPort,
                            const SendTarget& target,
                            const std::function<void(SampledPair)>& shown) {
    platform::UdpEndpoint sender;  // made here: a socket belongs to the thread that made it
    live::LiveOptions options;
    options.commPort = commPort;
    options.window = kWindow;
    live::LoopRequests none;  // the remote session asks nothing of the loop
    live::AngleLoopEvents events;
    events.reading = [&](const live::AngleSample& sample) {
        SampledPair pair{sample.reading, std::nullopt};
        if (target.sending()) {
            pair.datagram = angleDatagram(sample.reading.angleX, sample.reading.angleY);
            if (const auto peer = target.peer()) {
                (void)sender.sendTo(*peer, *pair.datagram);
            }
        }
        shown(std::move(pair));
    };
    return live::sampleAngles(link, errors, options, none, events);
}

}  // namespace tilt::remote::ui
