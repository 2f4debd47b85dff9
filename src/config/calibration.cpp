#include "config/calibration.h"

#include "common/error.h"
#include "common/error_reporter.h"
#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/poll.h"
#include "live/silence_watch.h"

namespace tilt::config {

namespace {
constexpr std::int32_t kAfterShakerOffMs = 1000;
constexpr std::array<Field, 6> kFields = {Field::OffsetX, Field::OffsetY, Field::OffsetZ,
                                          Field::GainX,   Field::GainY,   Field::GainZ};

// The loop of 'a' requests, on an open port, until stopped; the reply held back at the stop
// counts too.
void pollAccelerations(const link::JobScope& job,
                       const std::function<void(const link::AccelerometerReading&)>& onReading,
                       const std::function<void(bool)>& onSilence) {
    link::DeviceLink& link = job.link();
    live::SilenceWatch silence(link, onSilence);
    const auto take = [&](const std::optional<link::PolledReply>& reply) {
        if (!reply) {
            silence.look();
            return;
        }
        silence.answered();
        try {
            if (const auto reading = link::decodeAccelerations(reply->bytes);
                reading && onReading) {
                onReading(*reading);
            }
        } catch (const Error& e) {
            job.report(e, "MSComm1_OnComm");
        }
    };
    link::Poller poller(link, link::cmd::kAccelerations, link::kAccelerationsReplyBytes);
    while (!link.stopRequested()) {
        take(poller.next(!link.stopRequested()));
    }
    take(poller.settle());
}
}  // namespace

void AxisCalibration::add(double reading) {
    current = reading;
    sampled = true;
    if (reading < min) {
        min = reading;
    }
    if (reading > max) {
        max = reading;
    }
    offset = (min + max) / 2;
    gain = (max - min) / 2;
}

void CalibrationTracker::add(const link::AccelerometerReading& reading) {
    axes[0].add(reading.x);
    axes[1].add(reading.y);
    axes[2].add(reading.z);
}

CalibrationValues calibrationValuesOf(const CalibrationTracker& tracker) {
    const auto& a = tracker.axes;
    return {a[0].offset, a[1].offset, a[2].offset, a[0].gain, a[1].gain, a[2].gain};
}

std::vector<std::optional<CellWrite>> calibrationWrite(const CalibrationValues& values) {
    std::vector<std::optional<CellWrite>> ticks;
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        const Parameter& p = parameterOf(kFields[i]);
        const auto bytes = encodeValue(p, values[i]);
        ticks.emplace_back(CellWrite{p.address, bytes[0]});
        ticks.emplace_back(CellWrite{p.address + 1, bytes[1]});
    }
    return ticks;
}

int calibrationFirstCell() {
    return parameterOf(kFields.front()).address;
}

int calibrationEndCell() {
    return calibrationFirstCell() + 2 * static_cast<int>(kFields.size());
}

std::string calibrationWritingCaption(int done) {
    const int step = calibrationFirstCell() + done;
    return step < calibrationEndCell() ? "Writing " + std::to_string(step)
                                       : std::string("Writing Progress");
}

SamplingEnd sampleAccelerometers(
    const link::JobScope& job,
    const std::function<void(const link::AccelerometerReading&)>& onReading,
    const SamplingWatch& watch) {
    link::DeviceLink& link = job.link();
    // The shaker stays off during and after the calibration.
    const auto shakerOff = [&] {
        link::requestWriteByte(link, parameterOf(Field::Shaker).address, 0);
    };
    if (!link::exchangeOnPort(job, "mnuSample_Click", shakerOff)) {
        return SamplingEnd::PortFailed;
    }
    if (watch.shakerOff) {
        watch.shakerOff();
    }
    link.delay(kAfterShakerOffMs);
    if (link.stopRequested()) {
        return SamplingEnd::Stopped;
    }
    if (!link::exchangeOnPort(job, "MSComm1_OnComm",
                              [&] { pollAccelerations(job, onReading, watch.silence); })) {
        return SamplingEnd::PortFailed;
    }
    return SamplingEnd::Stopped;
}

}  // namespace tilt::config
