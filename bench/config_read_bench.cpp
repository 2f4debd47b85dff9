// How close the configuration read over a real serial path (QtSerialPort on a tiltsim
// pseudo-terminal) comes to the line's own pace, in the core and as a whole `tiltctl config read`.
// A step costs at least 'r', the 12 ms pause, the address and the one-byte reply: 12 ms and three
// byte times at 19200 baud 8N1 (10 bits each), 13.5625 ms; the 53 steps 718.8 ms.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/counting_errors.h"
#include "config/eeprom_transfer.h"
#include "config/parameter_map.h"
#include "e2e/tiltsim_process.h"
#include "link/clock.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "platform/system_port_catalogue.h"

namespace {

constexpr double kByteMs = 10.0 / 19200.0 * 1000.0;
constexpr double kWireMsPerStep = 12.0 + 3 * kByteMs;
constexpr double kWireMs = kWireMsPerStep * tilt::config::kReadSteps;

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Where the time of a step goes, from the device's side: the pause between 'r' and its address,
// and the turn from the address to the next 'r' (the reply, and our taking it in). Means, ms.
// Needs the read's time reported first.
void addStepBreakdown(const TiltsimProcess& sim, benchmark::State& state) {
    std::ifstream log(sim.rxLogPath().toStdString());
    std::vector<std::pair<double, int>> bytes;
    for (std::pair<double, int> b; log >> b.first >> b.second;) {
        bytes.push_back(b);
    }
    double pause = 0;
    double turn = 0;
    int pauses = 0;
    int turns = 0;
    constexpr std::size_t kReadBytes = 2 * tilt::config::kReadSteps;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        pause += bytes[i + 1].first - bytes[i].first;
        ++pauses;
        if (i + 2 < bytes.size() && (i + 2) % kReadBytes != 0) {  // not from one read to the next
            turn += bytes[i + 2].first - bytes[i + 1].first;
            ++turns;
        }
    }
    const double pauseMs = pauses > 0 ? pause / pauses * 1000 : 0;
    const double turnMs = turns > 0 ? turn / turns * 1000 : 0;
    state.counters["pause_ms"] = pauseMs;
    state.counters["turn_ms"] = turnMs;
    // What the steps do not account for: opening and closing the port, and for the command,
    // starting and ending tiltctl.
    state.counters["outside_steps_ms"] =
        state.counters["ms_per_read"] - tilt::config::kReadSteps * (pauseMs + turnMs);
}

void reportAgainstTheWire(benchmark::State& state, double totalMs) {
    const double msPerRead = totalMs / static_cast<double>(state.iterations());
    state.counters["ms_per_read"] = msPerRead;
    state.counters["wire_ms"] = kWireMs;
    state.counters["ratio_to_wire"] = msPerRead / kWireMs;
}

// The core's read alone: opening the port, the 53 steps, closing it.
void BM_ConfigReadOverPseudoTerminal(benchmark::State& state) {
    TiltsimProcess sim({});
    if (sim.path().empty()) {
        state.SkipWithError("tiltsim did not start");
        return;
    }
    tilt::link::SystemClock clock;
    tilt::platform::SystemPortCatalogue catalogue(clock);
    const auto port = static_cast<std::int16_t>(catalogue.addNamedPort(sim.path()));
    tilt::link::DeviceLink link(catalogue);
    tilt::CountingErrors errors;
    const tilt::link::JobScope job(link, port, errors, "Configuration");
    double totalMs = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const auto result = tilt::config::readConfiguration(job, {}, {});
        totalMs += msSince(start);
        if (result.end != tilt::config::TransferEnd::Completed) {
            state.SkipWithError("the read did not complete");
            break;
        }
    }
    reportAgainstTheWire(state, totalMs);
    addStepBreakdown(sim, state);
    if (errors.count != 0) {
        state.SkipWithError("errors were reported");
    }
}
BENCHMARK(BM_ConfigReadOverPseudoTerminal)
    ->Iterations(10)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The whole command, from starting tiltctl to its exit: process start, Qt, the port, the read,
// the printing.
void BM_TiltctlConfigReadCommand(benchmark::State& state) {
    TiltsimProcess sim({});
    if (sim.path().empty()) {
        state.SkipWithError("tiltsim did not start");
        return;
    }
    const QStringList args = {"--port", QString::fromStdString(sim.path()), "config", "read"};
    double totalMs = 0;
    for (auto _ : state) {
        QProcess ctl;
        ctl.setStandardOutputFile(QProcess::nullDevice());
        const auto start = Clock::now();
        ctl.start(TILTCTL_PATH, args);
        const bool finished = ctl.waitForFinished(10000);
        totalMs += msSince(start);
        if (!finished || ctl.exitCode() != 0) {
            state.SkipWithError("tiltctl config read failed");
            break;
        }
    }
    reportAgainstTheWire(state, totalMs);
    addStepBreakdown(sim, state);
}
BENCHMARK(BM_TiltctlConfigReadCommand)
    ->Iterations(10)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
