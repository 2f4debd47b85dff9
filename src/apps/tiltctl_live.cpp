#include "apps/tiltctl_live.h"

#include <QJsonArray>
#include <QJsonObject>
#include <cstdio>
#include <functional>
#include <optional>
#include <ostream>

#include "apps/tiltctl_console.h"
#include "apps/tiltctl_live_run.h"
#include "common/error.h"
#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/poll.h"
#include "link/protocol.h"
#include "live/live_sampling.h"
#include "live/live_writes.h"

namespace tilt::ctl {

namespace {

// The screens error reports name: those of the windows that do the same in the desktop program.
constexpr std::string_view kAnglesScreen = "Angles";
constexpr std::string_view kAccelerometersScreen = "Accelerometers";
// How often a tare asks for its fresh reading before it gives up (each ask waits 250 ms).
constexpr int kTareAsks = 4;
constexpr double kMaxSeconds = 1e7;  // keeps the deadline far inside the clock's range
constexpr const char* kLiveUsage = "expected [--count N] [--seconds S] [--json]";

// A small negative angle rounds to -0.0; it is printed as 0, as the data files write it.
double plainZero(double value) {
    return value == 0 ? 0.0 : value;
}

// ---- live angles, live acc ----

struct LiveRequest {
    LiveLimits limits;
    bool json = false;
};

LiveRequest liveArguments(const QStringList& args) {
    LiveRequest request;
    for (qsizetype i = 0; i < args.size(); ++i) {
        bool ok = false;
        if (args[i] == "--json") {
            request.json = true;
        } else if (args[i] == "--count") {
            const long long count = optionValue(args, i, kLiveUsage).toLongLong(&ok);
            if (!ok || count < 1) {
                throw UsageError{"--count takes a number of readings, 1 or more"};
            }
            request.limits.count = count;
        } else if (args[i] == "--seconds") {
            const double seconds = optionValue(args, i, kLiveUsage).toDouble(&ok);
            if (!ok || !(seconds > 0) || seconds > kMaxSeconds) {
                throw UsageError{"--seconds takes a number of seconds above 0"};
            }
            request.limits.seconds = seconds;
        } else {
            throw UsageError{"unexpected '" + args[i].toStdString() + "'; " + kLiveUsage};
        }
    }
    return request;
}

std::string angleLine(const live::AngleSample& sample, bool json) {
    const auto& r = sample.reading;
    if (json) {
        return jsonLine({{"time", sample.seconds},
                         {"AngleX", plainZero(r.angleX)},
                         {"AngleY", plainZero(r.angleY)},
                         {"RawAngleX", r.wordX},
                         {"RawAngleY", r.wordY}});
    }
    char line[96];
    std::snprintf(line, sizeof line, "%.2f %.1f %.1f %d %d\n", sample.seconds, plainZero(r.angleX),
                  plainZero(r.angleY), r.wordX, r.wordY);
    return line;
}

std::string accelerationLine(const live::AccelerationSample& sample, bool json) {
    const auto& r = sample.reading;
    if (json) {
        return jsonLine({{"time", sample.seconds}, {"AccX", r.x}, {"AccY", r.y}, {"AccZ", r.z}});
    }
    char line[64];
    std::snprintf(line, sizeof line, "%.2f %d %d %d\n", sample.seconds, r.x, r.y, r.z);
    return line;
}

int runLiveAngles(Context& ctx, const QStringList& args) {
    const LiveRequest request = liveArguments(args);
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    LiveRun run(ctx, request.limits);
    if (request.json) {
        run.summariseAsJson();
    }
    live::AngleLoopEvents events;
    events.reading = [&](const live::AngleSample& s) { run.reading(angleLine(s, request.json)); };
    live::LoopRequests none;  // nothing is asked of a loop in a terminal
    return run.ended(live::sampleAngles(run.job(kAnglesScreen), {}, none, events));
}

int runLiveAccelerations(Context& ctx, const QStringList& args) {
    const LiveRequest request = liveArguments(args);
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    LiveRun run(ctx, request.limits);
    if (request.json) {
        run.summariseAsJson();
    }
    live::AccelerationLoopEvents events;
    events.reading = [&](const live::AccelerationSample& s) {
        run.reading(accelerationLine(s, request.json));
    };
    live::LoopRequests none;
    return run.ended(live::sampleAccelerations(run.job(kAccelerometersScreen), {}, none, events));
}

// ---- tare, untare, dac ----

live::Axis axisArgument(const QStringList& args) {
    expectArguments(args, 1, "x or y [--json]");
    const QString axis = args[0].toLower();
    if (axis == "x") {
        return live::Axis::X;
    }
    if (axis == "y") {
        return live::Axis::Y;
    }
    throw UsageError{"'" + args[0].toStdString() + "' is no axis; expected x or y"};
}

// Opens the port for one write and closes it after; a failure is reported under `procedure`.
// Ctrl+C is held off meanwhile: a write cut between its two bytes would leave half a word in
// the device, and the whole write takes 0.6 s at most.
bool writeOnPort(Context& ctx, PrintingErrors& errors, std::string_view screen,
                 std::string_view procedure, const std::function<bool(link::DeviceLink&)>& write) {
    const InterruptStop holdOff;
    link::DeviceLink link(ctx.catalogue);
    bool written = false;
    const bool exchanged =
        link::exchangeOnPort(link::JobScope(link, ctx.port, errors, std::string(screen)), procedure,
                             [&] { written = write(link); });
    return exchanged && written && errors.count() == 0;
}

std::optional<link::AngleReading> freshReading(link::DeviceLink& link) {
    for (int ask = 0; ask < kTareAsks; ++ask) {
        if (const auto reply = link::poll(link, link::cmd::kAngles, link::kAnglesReplyBytes)) {
            return link::decodeAngles(*reply);
        }
    }
    return std::nullopt;
}

int runTareCommand(Context& ctx, QStringList args, bool remove) {
    const bool json = takeFlag(args, "--json");
    const live::Axis axis = axisArgument(args);
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    const bool x = axis == live::Axis::X;
    PrintingErrors errors(ctx.err);
    double tare = 0;
    bool answered = true;
    const bool written = writeOnPort(
        ctx, errors, kAnglesScreen, remove ? "RemoveTare" : "GetTare", [&](link::DeviceLink& link) {
            if (remove) {
                live::removeTare(link, axis);
                return true;
            }
            const auto reading = freshReading(link);
            answered = reading.has_value();
            if (!answered) {
                return false;
            }
            live::writeTare(link, axis, x ? reading->wordX : reading->wordY);
            tare = x ? reading->angleX : reading->angleY;
            return true;
        });
    if (!answered) {
        ctx.err << "The device sent no angle reading; nothing was written.\n";
    }
    if (!written) {
        return kDeviceFailed;
    }
    if (json) {
        ctx.out << jsonLine({{x ? "TareX" : "TareY", plainZero(tare)}});
        return kDone;
    }
    char line[32];
    std::snprintf(line, sizeof line, "Tare%s: %.1f\n", x ? "X" : "Y", plainZero(tare));
    ctx.out << line;
    return kDone;
}

int runTare(Context& ctx, const QStringList& args) {
    return runTareCommand(ctx, args, false);
}

int runUntare(Context& ctx, const QStringList& args) {
    return runTareCommand(ctx, args, true);
}

int runDac(Context& ctx, QStringList args) {
    const bool json = takeFlag(args, "--json");
    expectArguments(args, 2, "N VALUE [--json]");
    bool ok = false;
    const int dac = args[0].trimmed().toInt(&ok);
    if (!ok || dac < 1 || dac > 3) {
        throw UsageError{"there is no DAC '" + args[0].toStdString() +
                         "'; DACs are 1 to 3. Nothing was sent."};
    }
    const int value = args[1].trimmed().toInt(&ok);
    if (!ok) {
        throw UsageError{"'" + args[1].toStdString() +
                         "' is not a whole number; a DAC value is 0 to 65535. Nothing was sent."};
    }
    if (value < 0 || value > 65535) {
        throw UsageError{"DAC value " + std::to_string(value) +
                         " does not fit in two bytes (0 to 65535); nothing was sent."};
    }
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    PrintingErrors errors(ctx.err);
    if (!writeOnPort(ctx, errors, kAccelerometersScreen, "WriteDAC", [&](link::DeviceLink& link) {
            live::writeDac(link, dac, value);
            return true;
        })) {
        return kDeviceFailed;
    }
    const int cell = live::dacCell(dac);
    if (json) {
        ctx.out << jsonLine(
            {{"dac", dac}, {"value", value}, {"cells", QJsonArray{cell, cell + 1}}});
        return kDone;
    }
    ctx.out << "Wrote " << value << " to DAC" << dac << " (EEPROM addresses " << cell << " and "
            << cell + 1 << ").\n";
    return kDone;
}

// The two cells of a word, "14/15".
std::string cellPair(int cell) {
    return std::to_string(cell) + "/" + std::to_string(cell + 1);
}

std::string liveSummary(const std::string& what, const std::string& json) {
    return helpText({what,
                     "--json: one object a line, " + json +
                         "; at the end, one object on stderr: {\"readings\", \"seconds\", "
                         "\"readingsPerSecond\", \"askedAgain\"} (replies asked for again: a "
                         "noisy line).",
                     "Ends after N readings or S seconds, whichever comes first; without them, "
                     "on Ctrl+C (exit 130), and after " +
                         std::to_string(kLiveSilenceSeconds) +
                         " seconds without a reading (exit 1)."});
}

}  // namespace

std::vector<Command> liveCommands() {
    return {
        {{"live", "angles"},
         "[--count N] [--seconds S] [--json]",
         liveSummary("Sample the angles ('A') as fast as the device answers; one line a reading: "
                     "seconds since the start, AngleX, AngleY (degrees), RawAngleX, RawAngleY.",
                     "{\"time\", \"AngleX\", \"AngleY\", \"RawAngleX\", \"RawAngleY\"}; raw "
                     "words as received, 0 to 65535"),
         runLiveAngles},
        {{"live", "acc"},
         "[--count N] [--seconds S] [--json]",
         liveSummary("Sample the accelerometers ('a') as fast as the device answers; one line a "
                     "reading: seconds since the start, AccX, AccY, AccZ (counts).",
                     "{\"time\", \"AccX\", \"AccY\", \"AccZ\"}"),
         runLiveAccelerations},
        {{"tare"},
         "x|y [--json]",
         helpText({"Take one angle reading and store its raw word as the axis's tare (X: EEPROM " +
                       cellPair(live::tareCell(live::Axis::X)) +
                       ", Y: " + cellPair(live::tareCell(live::Axis::Y)) +
                       ", 500 ms between the bytes); print \"TareX: degrees\".",
                   "--json: {\"TareX\"} (or {\"TareY\"})."}),
         runTare},
        {{"untare"},
         "x|y [--json]",
         helpText({"Clear the axis's tare (0 into its cells); print \"TareX: 0.0\".",
                   "--json: {\"TareX\"} (or {\"TareY\"})."}),
         runUntare},
        {{"dac"},
         "N VALUE [--json]",
         helpText({"Write VALUE (0 to 65535) as DAC N's setting (1: EEPROM " +
                       cellPair(live::dacCell(1)) + ", 2: " + cellPair(live::dacCell(2)) +
                       ", 3: " + cellPair(live::dacCell(3)) +
                       "), high byte first, 100 ms after each. A bad N or VALUE: exit 2, nothing "
                       "sent.",
                   "--json: {\"dac\", \"value\", \"cells\"}."}),
         runDac},
    };
}

}  // namespace tilt::ctl
