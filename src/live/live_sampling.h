#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/protocol.h"
#include "live/live_requests.h"

namespace tilt::link {
class JobScope;
}

namespace tilt::live {

// A reading of a loop with the seconds since sampling started (two decimals, ties to even), as
// the reading's line in a data file carries them.
// A reading, its time, and how many replies the loop has asked for again so far on this
// connection (a noisy line shows there).
struct AngleSample {
    double seconds = 0;
    link::AngleReading reading;
    long askedAgain = 0;
};
struct AccelerationSample {
    double seconds = 0;
    link::AccelerometerReading reading;
    long askedAgain = 0;
};

// What became of a request the loop carried out.
struct TareDone {
    Axis axis = Axis::X;
    bool removed = false;
    double tareDegrees = 0;  // the angle of the reading whose word was stored; 0 when removed
};
struct DacDone {
    int dac = 1;
    int value = 0;
};

struct LiveOptions {
    // The data file every reading is appended to while sampling, if any. The first line that
    // cannot be written is reported and ends the recording; sampling goes on.
    std::optional<std::string> recordTo;
};

enum class LiveEnd {
    Stopped,     // the user stopped it
    PortFailed,  // the port could not be opened or failed; reported
    Stalled,     // a reply could not be decoded (an overflowing word); reported
};

// What the user is told when sampling ended by itself: what happened and what to do, `again`
// ending the sentence ("choose Sample to start again", "run it again"). The failure itself has
// been reported by then. Empty for a stop by the user.
[[nodiscard]] std::string samplingEndText(LiveEnd end, std::string_view again);

// What the user is told of a device that sent no reading at all, or stopped answering.
[[nodiscard]] std::string silentDeviceText(bool anyReading);

// The same, in a window whose sampling goes on asking.
[[nodiscard]] std::string silentWhileSamplingText(bool anyReading);

struct AngleLoopEvents {
    std::function<void(const AngleSample&)> reading;
    std::function<void(const TareDone&)> tare;
    std::function<void()> recordingFailed;
    // The device has not answered for a while (true), or answers again (false).
    std::function<void(bool silent)> silence;
};

// The angle loop: 'A' after 'A' as fast as the device answers; every 4-byte reply is decoded,
// recorded when asked and handed on; a reply of another length is dropped and asked again.
// Between two replies the loop carries out the requests posted meanwhile (a tare: writeTare with
// the word last received, or removeTare), then drops whatever waits and starts again with 'A'.
// Runs until stopped.
[[nodiscard]] LiveEnd sampleAngles(const link::JobScope& job, const LiveOptions& options,
                                   LoopRequests& requests, const AngleLoopEvents& events);

struct AccelerationLoopEvents {
    std::function<void(const AccelerationSample&)> reading;
    std::function<void(const DacDone&)> dac;
    std::function<void()> recordingFailed;
    std::function<void(bool silent)> silence;
};

// The accelerometer loop: the same with 'a' and 6-byte replies; a word whose high byte is 128
// or more is the overflow error, reported as "MSComm1_OnComm", and the loop stalls (ends). The
// requests carried out between replies are DAC writes.
[[nodiscard]] LiveEnd sampleAccelerations(const link::JobScope& job, const LiveOptions& options,
                                          LoopRequests& requests,
                                          const AccelerationLoopEvents& events);

}  // namespace tilt::live
