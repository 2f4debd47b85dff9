#include "remote/angle_sending.h"

#include "remote/angle_datagram.h"

namespace tilt::remote {

live::LiveEnd sendSampledAngles(const link::JobScope& job, DatagramSink& sink,
                                const AngleSending& sending) {
    live::LoopRequests none;  // a remote session asks nothing of the loop between replies
    live::AngleLoopEvents events;
    events.reading = [&sending, &sink](const live::AngleSample& sample) {
        std::optional<std::string> datagram;
        if (!sending.sending || sending.sending()) {
            datagram = angleDatagram(sample.reading.angleX, sample.reading.angleY);
            sink.send(*datagram);
        }
        if (sending.sampled) {
            sending.sampled(sample, datagram);
        }
    };
    events.silence = sending.silence;
    return live::sampleAngles(job, {}, none, events);
}

}  // namespace tilt::remote
