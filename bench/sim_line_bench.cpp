// How fast the simulated device serves pages in virtual time: every later test and benchmark
// runs long downloads through it.
#include <benchmark/benchmark.h>

#include "device/sim_transport.h"
#include "link/device_link.h"
#include "link/protocol.h"

namespace {

void BM_VirtualTimePageReads(benchmark::State& state) {
    tilt::link::SimClock clock;
    tilt::device::SimPortCatalogue catalogue(clock);
    tilt::device::SimOptions options;
    options.preload = tilt::device::Preload::Linear3;
    options.pages = 2047;
    options.keepRxLog = false;
    const int port = catalogue.addDevice(options);
    tilt::link::DeviceLink link(catalogue);
    link.setPort(port);
    link.open();
    std::int32_t page = 1;
    for (auto _ : state) {
        tilt::link::requestPage(link, page);
        if (!link.waitForBytes(tilt::link::kPageBytes, link.now() + tilt::link::ms(1000))) {
            state.SkipWithError("no page");
            break;
        }
        benchmark::DoNotOptimize(link.readAll().data());
        page = page % 2047 + 1;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VirtualTimePageReads);

}  // namespace
