// The Configuration window's read over a real serial path (QtSerialPort on a tiltsim
// pseudo-terminal) against the line's own pace: from File > Read to "Read completed!", as the
// user waits for it, with the window offscreen and its fields filled. The wire bound is that of
// bench/config_read_bench.cpp: 53 steps of 'r', the 12 ms pause, the address and the reply.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>

#include "common/ui/app_context.h"
#include "config/parameter_map.h"
#include "config/ui/configuration_window.h"
#include "desktop_on_serial.h"
#include "e2e/tiltsim_process.h"
#include "frame/window_registry.h"
#include "link/clock.h"
#include "platform/system_port_catalogue.h"
#include "platform/ui/device_thread.h"
#include "support/fake_messages.h"
#include "support/gui_harness.h"
#include "support/recording_errors.h"
#include "support/scripted_file_dialogs.h"

namespace {

constexpr double kByteMs = 10.0 / 19200.0 * 1000.0;
constexpr double kWireMs = (12.0 + 3 * kByteMs) * tilt::config::kReadSteps;

using Clock = std::chrono::steady_clock;

bool readCompleted(const tilt::testing::FakeMessages& messages) {
    return !messages.shown.empty() && messages.shown.back().text == "Read completed!";
}

void BM_ConfigurationWindowRead(benchmark::State& state) {
    TiltsimProcess sim({});
    if (sim.path().empty()) {
        state.SkipWithError("tiltsim did not start");
        return;
    }
    DesktopOnSerial desktop;
    desktop.selectPort(sim.path());
    tilt::config::ui::ConfigurationWindow window(desktop.context, {}, {});
    window.show();  // opening reads once; the first read is not timed
    if (!QTest::qWaitFor([&] { return readCompleted(desktop.messages); }, 10000)) {
        state.SkipWithError("the opening read did not complete");
        return;
    }
    double totalMs = 0;
    for (auto _ : state) {
        desktop.messages.shown.clear();
        const auto start = Clock::now();
        window.startRead();
        const bool done = QTest::qWaitFor([&] { return readCompleted(desktop.messages); }, 10000);
        totalMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (!done || !desktop.errors.reports.empty()) {
            state.SkipWithError("the read did not complete");
            break;
        }
    }
    const double msPerRead = totalMs / static_cast<double>(state.iterations());
    state.counters["ms_per_read"] = msPerRead;
    state.counters["wire_ms"] = kWireMs;
    state.counters["ratio_to_wire"] = msPerRead / kWireMs;
    desktop.device.shutdown();
}
BENCHMARK(BM_ConfigurationWindowRead)->Iterations(10)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
