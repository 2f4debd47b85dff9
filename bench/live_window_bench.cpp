// The live windows over a real serial path (QtSerialPort on a paced tiltsim pseudo-terminal),
// offscreen, with recording on: how close the readings come to the line's own pace, whether
// every reading the device sent is in the file, and how late the user-interface thread answers
// meanwhile. A reading costs its request byte, its reply bytes and the simulator's 0.3 ms reply
// delay: Angles 1 + 4 bytes (2.90 ms), Accelerometers 1 + 6 bytes (3.95 ms). The loop alone,
// without a window, is bench/live_loop_bench.cpp: the difference is what the window costs. The pace
// depends on how soon the pseudo-terminal wakes each side, so a busy machine lowers it: compare the
// medians of a few repetitions on a quiet one.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/counting_errors.h"
#include "common/ui/app_context.h"
#include "desktop_on_serial.h"
#include "e2e/tiltsim_process.h"
#include "link/clock.h"
#include "link/device_link.h"
#include "live/live_sampling.h"
#include "live/ui/accelerometers_window.h"
#include "live/ui/angles_window.h"
#include "logging/data_file.h"
#include "platform/system_port_catalogue.h"
#include "platform/ui/device_thread.h"
#include "support/fake_messages.h"
#include "support/gui_harness.h"
#include "support/recording_errors.h"
#include "support/scripted_file_dialogs.h"

namespace {

constexpr double kByteMs = 10.0 / 19200.0 * 1000.0;
constexpr double kReplyDelayMs = 0.3;
constexpr int kSamplingMs = 4000;
constexpr int kProbeMs = 5;

// How late a timer due every few milliseconds fires: the user-interface thread's latency.
class LatencyProbe {
  public:
    LatencyProbe() {
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const double sinceLast = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
            clock_.restart();
            worstMs_ = std::max(worstMs_, sinceLast - kProbeMs);
        });
    }
    void start() {
        clock_.start();
        timer_.start(kProbeMs);
    }
    void stop() { timer_.stop(); }
    [[nodiscard]] double worstMs() const { return worstMs_; }

  private:
    QTimer timer_;
    QElapsedTimer clock_;
    double worstMs_ = 0;
};

// The times (first column) of the reading lines of a live data file.
std::vector<double> readingTimes(const std::string& file, std::string_view kind,
                                 const tilt::AppState& state) {
    const auto headerCount =
        tilt::logging::headerLines(kind, tilt::logging::liveFileHeader(state)).size();
    std::ifstream in(file, std::ios::binary);
    std::vector<double> times;
    std::size_t n = 0;
    for (std::string line; std::getline(in, line); ++n) {
        if (n >= headerCount) {
            times.push_back(std::stod(line.substr(0, line.find(','))));
        }
    }
    return times;
}

template <typename Window>
void sampleWindow(benchmark::State& state, std::string_view kind, int replyBytes) {
    const double boundPerSecond = 1000.0 / ((1 + replyBytes) * kByteMs + kReplyDelayMs);
    for (auto _ : state) {
        TiltsimProcess sim({});
        if (sim.path().empty()) {
            state.SkipWithError("tiltsim did not start");
            return;
        }
        DesktopOnSerial desktop;
        desktop.selectPort(sim.path());
        const std::string file = desktop.root.filePath("live.tlg").toStdString();
        desktop.fileDialogs.answers.emplace_back(file);
        auto* window = new Window(desktop.context, nullptr);
        window->show();
        window->toggleSaving();

        LatencyProbe probe;
        window->toggleSampling();
        probe.start();
        QTest::qWait(kSamplingMs);
        probe.stop();
        window->toggleSampling();
        const bool stopped = QTest::qWaitFor([&] { return !desktop.device.busy(); }, 5000);
        delete window;

        const auto times = readingTimes(file, kind, desktop.context.state);
        const long requests = receivedBytes(sim);
        if (!stopped || times.size() < 2 || !desktop.errors.reports.empty()) {
            state.SkipWithError("sampling failed");
            return;
        }
        const double perSecond =
            static_cast<double>(times.size() - 1) / (times.back() - times.front());
        state.counters["readings_per_s"] = perSecond;
        state.counters["bound_per_s"] = boundPerSecond;
        state.counters["ratio_to_bound"] = perSecond / boundPerSecond;
        state.counters["file_lines"] = static_cast<double>(times.size());
        state.counters["requests_sent"] = static_cast<double>(requests);
        state.counters["max_ui_latency_ms"] = probe.worstMs();
        desktop.device.shutdown();
    }
}

void BM_AnglesWindowSampling(benchmark::State& state) {
    sampleWindow<tilt::live::ui::AnglesWindow>(state, tilt::logging::kAngles, 4);
}
BENCHMARK(BM_AnglesWindowSampling)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_AccelerometersWindowSampling(benchmark::State& state) {
    sampleWindow<tilt::live::ui::AccelerometersWindow>(state, tilt::logging::kAccelerometers, 6);
}
BENCHMARK(BM_AccelerometersWindowSampling)
    ->Iterations(1)
    ->Repetitions(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
