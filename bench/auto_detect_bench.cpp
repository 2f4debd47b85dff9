// Auto-detect over ports 1 to 16 in real time: silent ports take their full half-second
// handshake, so the search is only as fast as its probes run side by side.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

#include "device/sim_transport.h"
#include "link/auto_detect.h"
#include "link/clock.h"

namespace {

using namespace tilt;

void search(benchmark::State& state, int devicePort) {
    link::SystemClock clock;
    device::SimPortCatalogue catalogue(clock);
    for (int port = 1; port <= 16; ++port) {
        if (port == devicePort) {
            device::SimOptions options;
            options.keepRxLog = false;
            catalogue.addDevice(options, "ttyUSB0");
        } else {
            catalogue.addSilentPort("ttyS" + std::to_string(port));
        }
    }
    double worst = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const auto found = link::autoDetect(catalogue, link::standardThreads(), {}, {});
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        worst = std::max(worst, took.count());
        if (found.value_or(0) != devicePort) {
            state.SkipWithError("the search reported the wrong port");
        }
    }
    state.counters["worst_ms"] = worst;
}

void BM_AutoDetect_SixteenSilentPorts(benchmark::State& state) {
    search(state, 0);
}
void BM_AutoDetect_DeviceOnPort3(benchmark::State& state) {
    search(state, 3);
}

BENCHMARK(BM_AutoDetect_SixteenSilentPorts)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);
BENCHMARK(BM_AutoDetect_DeviceOnPort3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(10);

}  // namespace
