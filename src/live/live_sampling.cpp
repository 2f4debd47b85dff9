#include "live/live_sampling.h"

#include <span>
#include <type_traits>

#include "common/error.h"
#include "common/error_reporter.h"
#include "common/number_text.h"
#include "common/rounding.h"
#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/poll.h"
#include "live/live_writes.h"
#include "live/silence_watch.h"
#include "logging/data_file.h"

namespace tilt::live {

namespace {

// Counts the seconds since sampling started and keeps the recording, for one loop.
class LoopRun {
  public:
    LoopRun(const link::JobScope& job, const LiveOptions& options,
            std::function<void()> recordingFailed)
        : job_(job),
          options_(options),
          recordingFailed_(std::move(recordingFailed)),
          start_(job.link().now()),
          recording_(options.recordTo.has_value()) {}

    // The seconds since sampling started of a reply taken at `at`.
    [[nodiscard]] double seconds(link::Nanos at) const {
        return roundHalfEven(std::chrono::duration<double>(at - start_).count(), 2);
    }

    // Appends a reading's line; the first that fails ends the recording (one report, not one
    // per reading).
    template <typename WriteLine>
    void record(WriteLine writeLine) {
        if (!recording_) {
            return;
        }
        if (!writeLine(*options_.recordTo)) {
            recording_ = false;
            if (recordingFailed_) {
                recordingFailed_();
            }
        }
    }

    const link::JobScope& job() const { return job_; }

  private:
    const link::JobScope& job_;
    const LiveOptions& options_;
    std::function<void()> recordingFailed_;
    link::Nanos start_;
    bool recording_;
};

constexpr std::string_view kReceiveHandler = "MSComm1_OnComm";

// Carries out the requests between two replies. Sets `procedure` to the name of the write under
// way, for a failure's report.
using RequestRunner = std::function<void(std::string_view& procedure)>;

// The loop both windows share: asks with `command`, hands each reply of `replyBytes` to
// `onReply` (false stalls the loop), and between two replies runs what `onRequests` finds posted:
// the reply on its way is waited for and the line let go quiet first, so that the write goes out
// on a quiet line, and the loop then starts again. The reply held back at the end is handed on
// too.
LiveEnd runLoop(LoopRun& run, LoopRequests& requests, std::uint8_t command, std::size_t replyBytes,
                const std::function<bool(const link::PolledReply&)>& onReply,
                const RequestRunner& onRequests, const std::function<void(bool)>& onSilence) {
    link::DeviceLink& link = run.job().link();
    LiveEnd end = LiveEnd::Stopped;
    link::Poller poller(link, command, replyBytes);
    SilenceWatch silence(link, onSilence);
    std::string_view procedure = kReceiveHandler;
    const auto take = [&](const std::optional<link::PolledReply>& reply) {
        if (reply) {
            silence.answered();
            if (!onReply(*reply)) {
                end = LiveEnd::Stalled;
            }
        }
        silence.look();
        return end != LiveEnd::Stalled;
    };
    const auto sample = [&] {
        while (!link.stopRequested()) {
            // The next request goes out at once unless a posted request must go first.
            if (!take(poller.next(requests.empty()))) {
                return;
            }
            // A request left when the loop is being stopped is dropped: the window that posted
            // it has stopped sampling.
            if (!link.stopRequested() && !requests.empty()) {
                if (!take(poller.settle())) {
                    return;
                }
                onRequests(procedure);
            }
            procedure = kReceiveHandler;
        }
        (void)take(poller.settle());
    };
    if (!link::exchangeOnPort(run.job(), procedure, sample)) {
        return LiveEnd::PortFailed;
    }
    return end;
}

}  // namespace

std::string samplingEndText(LiveEnd end, std::string_view again) {
    switch (end) {
        case LiveEnd::Stopped:
            break;
        case LiveEnd::PortFailed:
            return "Sampling stopped: the port failed. Check the cable and the adapter, then " +
                   std::string(again) + ".";
        case LiveEnd::Stalled:
            return "Sampling stopped: a reply could not be read. To go on, " + std::string(again) +
                   ".";
    }
    return {};
}

std::string silentDeviceText(bool anyReading) {
    return std::string(anyReading ? "The device stopped answering" : "The device sent no reading") +
           ". Check that the logger is on and connected.";
}

std::string silentWhileSamplingText(bool anyReading) {
    return silentDeviceText(anyReading) + " Sampling goes on until you choose File > Sample.";
}

LiveEnd sampleAngles(const link::JobScope& job, const LiveOptions& options, LoopRequests& requests,
                     const AngleLoopEvents& events) {
    link::DeviceLink& link = job.link();
    LoopRun run(job, options, events.recordingFailed);
    std::optional<link::AngleReading> last;
    const auto onReply = [&](const link::PolledReply& reply) {
        const auto reading = link::decodeAngles(reply.bytes);
        last = *reading;
        const AngleSample sample{run.seconds(reply.at), *reading,
                                 run.job().link().pace().askedAgain()};
        run.record([&](const std::string& file) {
            return logging::writeAnglesToFile(file, numberText(sample.seconds), reading->angleX,
                                              reading->angleY, job.errors());
        });
        if (events.reading) {
            events.reading(sample);
        }
        return true;
    };
    const auto onRequests = [&](std::string_view& procedure) {
        std::vector<LoopRequest> waiting;
        while (const auto request = requests.take()) {
            const auto* tare = std::get_if<TareRequest>(&*request);
            if (tare == nullptr) {
                continue;  // DAC writes belong to the accelerometer loop
            }
            if (!tare->remove && !last) {
                waiting.push_back(*request);  // a tare needs a reading first
                continue;
            }
            TareDone done{tare->axis, tare->remove, 0};
            if (tare->remove) {
                procedure = "RemoveTare";
                removeTare(link, tare->axis);
            } else {
                const bool x = tare->axis == Axis::X;
                procedure = "GetTare";
                writeTare(link, tare->axis, x ? last->wordX : last->wordY);
                done.tareDegrees = x ? last->angleX : last->angleY;
            }
            if (events.tare) {
                events.tare(done);
            }
        }
        for (const auto& request : waiting) {
            requests.post(request);
        }
    };
    return runLoop(run, requests, link::cmd::kAngles, link::kAnglesReplyBytes, onReply, onRequests,
                   events.silence);
}

LiveEnd sampleAccelerations(const link::JobScope& job, const LiveOptions& options,
                            LoopRequests& requests, const AccelerationLoopEvents& events) {
    link::DeviceLink& link = job.link();
    LoopRun run(job, options, events.recordingFailed);
    const auto onReply = [&](const link::PolledReply& reply) {
        std::optional<link::AccelerometerReading> reading;
        try {
            reading = link::decodeAccelerations(reply.bytes);
        } catch (const Error& e) {
            job.report(e, "MSComm1_OnComm");
            return false;
        }
        const AccelerationSample sample{run.seconds(reply.at), *reading,
                                        run.job().link().pace().askedAgain()};
        run.record([&](const std::string& file) {
            return logging::writeAccelerometersToFile(file, numberText(sample.seconds), reading->x,
                                                      reading->y, reading->z, job.errors());
        });
        if (events.reading) {
            events.reading(sample);
        }
        return true;
    };
    const auto onRequests = [&](std::string_view& procedure) {
        while (const auto request = requests.take()) {
            if (const auto* dac = std::get_if<DacRequest>(&*request)) {
                procedure = "WriteDAC";
                writeDac(link, dac->dac, dac->value);
                if (events.dac) {
                    events.dac({dac->dac, dac->value});
                }
            }
        }
    };
    return runLoop(run, requests, link::cmd::kAccelerations, link::kAccelerationsReplyBytes,
                   onReply, onRequests, events.silence);
}

}  // namespace tilt::live
