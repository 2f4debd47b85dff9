// How close the live loops come to the line's own pace over a real serial path (QtSerialPort on
// a paced tiltsim pseudo-terminal): in the core, with recording to a file on and off, and as
// whole `tiltctl live` commands. A reading costs at least its request byte and its reply at
// 19200 baud 8N1 (10 bits a byte) plus the simulator's reply delay of 0.3 ms: angles 1 + 4 bytes,
// 2.904 ms (344 readings a second); accelerometers 1 + 6 bytes, 3.946 ms (253 a second).
//
// Counters: per_s readings a second (the core: from the first reading to the last; a command:
// lines printed over --seconds); bound_per_s the line's bound; ratio per_s / bound_per_s (the
// target is 0.9 or more). From tiltsim's log of the requests: turn_ms, the mean time a reading
// spends off the wire (the last reply byte's due time to the device's reading of the next
// request: its delivery on the pseudo-terminal, our wake-up, decoding, recording, printing, the
// next request's write and tiltsim's wake-up); slow_share, the share of readings with a turn over
// 1 ms.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "common/counting_errors.h"
#include "device/sim_device.h"
#include "e2e/tiltsim_process.h"
#include "link/clock.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/poll.h"
#include "link/protocol.h"
#include "live/live_sampling.h"
#include "platform/system_port_catalogue.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kByteMs = 10.0 / 19200.0 * 1000.0;
constexpr double kReplyDelayMs =
    std::chrono::duration<double, std::milli>(tilt::device::SimDevice::kReplyLatency).count();
constexpr auto kRunTime = std::chrono::seconds(3);
constexpr const char* kRunSeconds = "3";
// Requests further apart than this belong to two runs, not to one loop.
constexpr double kSameRunGapMs = 100;
constexpr double kSlowTurnMs = 1;

struct Loop {
    std::uint8_t command;
    std::size_t replyBytes;
    const char* ctlName;  // tiltctl live ...

    [[nodiscard]] double boundMs() const {
        return static_cast<double>(1 + replyBytes) * kByteMs + kReplyDelayMs;
    }
};

const Loop kAngles{tilt::link::cmd::kAngles, tilt::link::kAnglesReplyBytes, "angles"};
const Loop kAccelerations{tilt::link::cmd::kAccelerations, tilt::link::kAccelerationsReplyBytes,
                          "acc"};

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

long linesIn(const std::string& text) {
    return static_cast<long>(std::count(text.begin(), text.end(), '\n'));
}

// The turn of each reading, from the times tiltsim read the requests (seconds, one a line).
void addTurns(const TiltsimProcess& sim, const Loop& loop, benchmark::State& state) {
    std::ifstream log(sim.rxLogPath().toStdString());
    std::vector<double> at;
    for (double t = 0; log >> t;) {
        at.push_back(t * 1000);
        log.ignore(16, '\n');
    }
    double turns = 0;
    long counted = 0;
    long slow = 0;
    for (std::size_t i = 1; i < at.size(); ++i) {
        const double period = at[i] - at[i - 1];
        if (period < kSameRunGapMs) {
            const double turn = period - loop.boundMs();
            turns += turn;
            slow += turn > kSlowTurnMs ? 1 : 0;
            ++counted;
        }
    }
    state.counters["turn_ms"] = counted > 0 ? turns / static_cast<double>(counted) : 0;
    state.counters["slow_share"] =
        counted > 0 ? static_cast<double>(slow) / static_cast<double>(counted) : 0;
}

void addRate(benchmark::State& state, const Loop& loop, double perSecond) {
    state.counters["per_s"] = perSecond;
    state.counters["bound_per_s"] = 1000.0 / loop.boundMs();
    state.counters["ratio"] = perSecond * loop.boundMs() / 1000.0;
}

// Readings of one run: counted, and the loop stopped once the run's time is up.
class RunClock {
  public:
    explicit RunClock(std::stop_source stop) : stop_(std::move(stop)) {}

    void reading() {
        last_ = Clock::now();
        if (readings_++ == 0) {
            first_ = last_;
        }
        if (last_ - start_ >= kRunTime) {
            stop_.request_stop();
        }
    }

    [[nodiscard]] long readings() const { return readings_; }
    [[nodiscard]] double perSecond() const {
        return readings_ > 1
                   ? static_cast<double>(readings_ - 1) * 1000.0 / msBetween(first_, last_)
                   : 0;
    }

  private:
    std::stop_source stop_;
    Clock::time_point start_ = Clock::now();
    Clock::time_point first_;
    Clock::time_point last_;
    long readings_ = 0;
};

using LoopRunner = std::function<tilt::live::LiveEnd(const tilt::link::JobScope&,
                                                     const tilt::live::LiveOptions&, RunClock&)>;

tilt::live::LiveEnd runAngleLoop(const tilt::link::JobScope& job,
                                 const tilt::live::LiveOptions& options, RunClock& run) {
    tilt::live::LoopRequests none;
    tilt::live::AngleLoopEvents events;
    events.reading = [&](const tilt::live::AngleSample&) { run.reading(); };
    return tilt::live::sampleAngles(job, options, none, events);
}

tilt::live::LiveEnd runAccelerationLoop(const tilt::link::JobScope& job,
                                        const tilt::live::LiveOptions& options, RunClock& run) {
    tilt::live::LoopRequests none;
    tilt::live::AccelerationLoopEvents events;
    events.reading = [&](const tilt::live::AccelerationSample&) { run.reading(); };
    return tilt::live::sampleAccelerations(job, options, none, events);
}

// The core's loop for kRunTime; range(0) 1: every reading recorded to a file, which must then
// hold them all.
void BM_LiveLoop(benchmark::State& state, const Loop& loop, const LoopRunner& runLoop) {
    TiltsimProcess sim({});
    QTemporaryDir dir;
    if (sim.path().empty() || !dir.isValid()) {
        state.SkipWithError("tiltsim did not start");
        return;
    }
    tilt::link::SystemClock clock;
    tilt::platform::SystemPortCatalogue catalogue(clock);
    tilt::link::DeviceLink link(catalogue);
    tilt::CountingErrors errors;
    const auto port = static_cast<std::int16_t>(catalogue.addNamedPort(sim.path()));
    const tilt::link::JobScope job(link, port, errors, "Angles");
    tilt::live::LiveOptions options;
    const std::string file = dir.filePath("live.txt").toStdString();
    if (state.range(0) == 1) {
        options.recordTo = file;
    }
    double perSecond = 0;
    for (auto _ : state) {
        std::ofstream{file, std::ios::trunc};  // recording appends to a file that exists
        std::stop_source stop;
        link.setStopToken(stop.get_token());
        RunClock run(stop);
        if (runLoop(job, options, run) != tilt::live::LiveEnd::Stopped) {
            state.SkipWithError("the loop failed");
            return;
        }
        perSecond += run.perSecond();
        if (options.recordTo && linesIn(readFile(file)) != run.readings()) {
            state.SkipWithError("a reading is missing from the file");
            return;
        }
    }
    addRate(state, loop, perSecond / static_cast<double>(state.iterations()));
    addTurns(sim, loop, state);
    if (errors.count != 0) {
        state.SkipWithError("errors were reported");
    }
}
BENCHMARK_CAPTURE(BM_LiveLoop, angles, kAngles, runAngleLoop)
    ->ArgName("record")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_LiveLoop, acc, kAccelerations, runAccelerationLoop)
    ->ArgName("record")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

// The floor of the path: one request and its reply after another, nothing decoded or kept.
void BM_PollFloor(benchmark::State& state, const Loop& loop) {
    TiltsimProcess sim({});
    if (sim.path().empty()) {
        state.SkipWithError("tiltsim did not start");
        return;
    }
    tilt::link::SystemClock clock;
    tilt::platform::SystemPortCatalogue catalogue(clock);
    tilt::link::DeviceLink link(catalogue);
    link.setPort(catalogue.addNamedPort(sim.path()));
    link.open();
    double perSecond = 0;
    for (auto _ : state) {
        RunClock run{std::stop_source{}};
        tilt::link::Poller poller(link, loop.command, loop.replyBytes);
        const auto end = Clock::now() + kRunTime;
        while (Clock::now() < end) {
            if (poller.next(true)) {
                run.reading();
            }
        }
        perSecond += run.perSecond();
    }
    link.close();
    addRate(state, loop, perSecond / static_cast<double>(state.iterations()));
    addTurns(sim, loop, state);
}
BENCHMARK_CAPTURE(BM_PollFloor, angles, kAngles)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_PollFloor, acc, kAccelerations)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

// The whole `tiltctl live angles|acc --seconds 3`, its lines read through a pipe; range(0) 1:
// with --json. Counter unanswered: the requests the device saw that printed no line (the one
// on its way at the stop, and replies dropped as possibly over-long), per run.
void BM_TiltctlLive(benchmark::State& state, const Loop& loop) {
    TiltsimProcess sim({});
    if (sim.path().empty()) {
        state.SkipWithError("tiltsim did not start");
        return;
    }
    QStringList args = {"--port",    QString::fromStdString(sim.path()),
                        "live",      loop.ctlName,
                        "--seconds", kRunSeconds};
    if (state.range(0) == 1) {
        args << "--json";
    }
    long lines = 0;
    for (auto _ : state) {
        QProcess ctl;
        ctl.start(TILTCTL_PATH, args);
        if (!ctl.waitForFinished(30000) || ctl.exitCode() != 0) {
            state.SkipWithError("tiltctl live failed");
            return;
        }
        lines += linesIn(ctl.readAllStandardOutput().toStdString());
    }
    const long requests = linesIn(readFile(sim.rxLogPath().toStdString()));
    const auto runs = static_cast<double>(state.iterations());
    state.counters["unanswered"] = static_cast<double>(requests - lines) / runs;
    if (requests - lines > requests / 100 + static_cast<long>(state.iterations())) {
        state.SkipWithError("more than 1 % of the requests printed no reading");
        return;
    }
    const double seconds = std::chrono::duration<double>(kRunTime).count();
    addRate(state, loop,
            static_cast<double>(lines) / seconds / static_cast<double>(state.iterations()));
    addTurns(sim, loop, state);
}
BENCHMARK_CAPTURE(BM_TiltctlLive, angles, kAngles)
    ->ArgName("json")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(BM_TiltctlLive, acc, kAccelerations)
    ->ArgName("json")
    ->Arg(0)
    ->Arg(1)
    ->Iterations(2)
    ->UseRealTime()
    ->Unit(benchmark::kSecond);

}  // namespace
