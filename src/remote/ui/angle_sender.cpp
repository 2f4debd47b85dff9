#include "remote/ui/angle_sender.h"

#include "remote/angle_sending.h"

namespace tilt::remote::ui {

live::LiveEnd sampleAndSend(link::DeviceLink& link, ErrorReporter& errors, std::int16_t commPort,
                            const SendTarget& target, const std::function<void(SampledPair)>& shown,
                            const std::function<void(bool)>& silence) {
    live::LiveOptions options;
    options.commPort = commPort;
    options.window = "RemoteSession";
    AngleSending sending;
    sending.sending = [&target] { return target.sending(); };
    sending.send = [&target](const std::string& datagram) { target.post(datagram); };
    sending.sampled = [&shown](const live::AngleSample& sample,
                               const std::optional<std::string>& datagram) {
        shown(SampledPair{sample.reading, datagram});
    };
    sending.silence = silence;
    return sendSampledAngles(link, errors, options, sending);
}

}  // namespace tilt::remote::ui
