// The Graph window on full-memory recordings: opening a whole linear file and drawing it, stepping
// through a bin file a page pair at a time, and the memory a whole file takes. Each draw is made
// at once and painted, as the user would see it, in an offscreen window of a usual size.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include "device/recording_file.h"
#include "full_recordings.h"
#include "memory_use.h"
#include "support/gui_harness.h"
#include "view/plot/plot_control.h"
#include "view/ui/graph_window.h"
#include "window_probes.h"

namespace {

namespace fs = std::filesystem;
using tilt::device::Preload;
using tilt::view::plot::PlotControl;
using tilt::view::ui::GraphWindow;

using tilt::bench::kFullMemoryPages;
using tilt::bench::kSamplesPerPage;
using tilt::bench::recordings;
// The last page pair of a 2047-page bin file; Next from it would reach the unpaired last page.
constexpr int kLastFullPair = kFullMemoryPages - 2;
constexpr int kBinPlotX = 361;
constexpr int kBinPlotY = 181;

// A Graph window on fakes, shown offscreen and laid out, with its first draws done.
class ShownGraph {
  public:
    ShownGraph() : window_(new GraphWindow(harness_.context)) {
        window_->resize(1000, 760);
        window_->show();
        (void)QTest::qWaitForWindowExposed(window_);
        window_->graphX().installEventFilter(&paintsX_);
        window_->graphY().installEventFilter(&paintsY_);
        settle();
    }

    GraphWindow& window() { return *window_; }

    // Draws both graphs now and paints them, as the queued draw after a change would.
    void draw() {
        const long x = paintsX_.paints;
        const long y = paintsY_.paints;
        window_->graphX().replot(QCustomPlot::rpImmediateRefresh);
        window_->graphY().replot(QCustomPlot::rpImmediateRefresh);
        unpainted_ = unpainted_ || paintsX_.paints == x || paintsY_.paints == y;
    }

    // Runs the draws the window queued for itself, so none of them lands in a timed step.
    static void settle() { QCoreApplication::processEvents(); }

    // What went wrong since the window was made: a message, an error report, or a draw that
    // was not painted; empty when all is well.
    [[nodiscard]] std::string fault() const {
        if (!harness_.messages.shown.empty()) {
            return "message shown: " + harness_.messages.shown.front().text;
        }
        if (!harness_.errors.reports.empty()) {
            return "error reported: " + harness_.errors.reports.front().description;
        }
        if (unpainted_) {
            return "a draw was not painted";
        }
        return {};
    }

  private:
    PaintCounter paintsX_;
    PaintCounter paintsY_;
    tilt::testing::GuiHarness harness_;
    GraphWindow* window_;  // deleted with the harness's windows
    bool unpainted_ = false;
};

struct LinearCase {
    Preload preload;
    int pointsX;
    int pointsY;
};

// Every sample of the file and the one trailing 0 the arrays end with.
constexpr int kFileSamples = kFullMemoryPages * kSamplesPerPage;
constexpr LinearCase kChannel1{Preload::Linear1, kFileSamples + 1, 0};
constexpr LinearCase kChannel3{Preload::Linear3, kFileSamples / 2 + 1, kFileSamples / 2 + 1};

// The pixels of a graph as last drawn that belong to the trace (the only blue on it).
long tracePixels(PlotControl& graph) {
    const QImage image = graph.grab().toImage().convertToFormat(QImage::Format_RGB32);
    long count = 0;
    for (int row = 0; row < image.height(); ++row) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(row));
        for (int column = 0; column < image.width(); ++column) {
            const QRgb pixel = line[column];
            count += qBlue(pixel) > qRed(pixel) + 60 && qBlue(pixel) > qGreen(pixel) + 40 ? 1 : 0;
        }
    }
    return count;
}

// Empty when the window shows the whole file of `linear`: every sample in the graphs, and
// their traces drawn across the window.
std::string linearFault(ShownGraph& shown, const LinearCase& linear) {
    std::string fault = shown.fault();
    GraphWindow& window = shown.window();
    if (fault.empty() && (window.graphX().pointCount() != linear.pointsX ||
                          window.graphY().pointCount() != linear.pointsY)) {
        fault = "the graphs hold " + std::to_string(window.graphX().pointCount()) + " and " +
                std::to_string(window.graphY().pointCount()) + " points";
    }
    // A trace across the plot leaves at least a pixel in every column.
    const long wide = window.graphX().axisRect()->width();
    if (fault.empty() && (tracePixels(window.graphX()) < wide ||
                          (linear.pointsY > 0 && tracePixels(window.graphY()) < wide))) {
        fault = "a trace was not drawn";
    }
    return fault;
}

// A file opened in a window just made, with every byte of memory the file needs fresh from the
// system: the first open of a session, and the memory a whole file takes (the growth of
// resident memory from the window shown empty to the file drawn, the largest of the runs).
// Registered first, while the process has touched little else.
void BM_OpenLinearFileFresh(benchmark::State& state, LinearCase linear) {
    if (!recordings().failure().empty()) {
        state.SkipWithError(recordings().failure().c_str());
        return;
    }
    const QString file = QString::fromStdString(recordings().file(linear.preload));
    long peakGrowth = 0;
    long growth = 0;
    long after = 0;
    Slowest slowest;
    for (auto _ : state) {
        state.PauseTiming();
        auto shown = std::make_unique<ShownGraph>();
        malloc_trim(0);  // what earlier runs freed goes back, so neither count nor speed gains
        tilt::bench::resetPeak();
        const long before = tilt::bench::currentKiB();
        state.ResumeTiming();
        slowest.start();
        shown->window().openFile(file);
        shown->draw();
        slowest.stop();
        state.PauseTiming();
        after = tilt::bench::currentKiB();
        peakGrowth = std::max(peakGrowth, tilt::bench::peakKiB() - before);
        growth = std::max(growth, after - before);
        const std::string fault = linearFault(*shown, linear);
        if (!fault.empty()) {
            state.SkipWithError(fault.c_str());
            break;
        }
        shown.reset();
        ShownGraph::settle();
        state.ResumeTiming();
    }
    state.counters["peak_growth_KiB"] = static_cast<double>(peakGrowth);
    state.counters["rss_growth_KiB"] = static_cast<double>(growth);
    state.counters["rss_after_KiB"] = static_cast<double>(after);
    slowest.report(state);
}
BENCHMARK_CAPTURE(BM_OpenLinearFileFresh, channel1, kChannel1)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_OpenLinearFileFresh, channel3, kChannel3)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Opening a whole linear file and drawing it, again and again in the same window: the memory it
// needs has been used before.
void BM_OpenLinearFile(benchmark::State& state, LinearCase linear) {
    if (!recordings().failure().empty()) {
        state.SkipWithError(recordings().failure().c_str());
        return;
    }
    const QString file = QString::fromStdString(recordings().file(linear.preload));
    ShownGraph shown;
    // The first open of a window is the fresh benchmark's; here the window has shown it before.
    shown.window().openFile(file);
    shown.draw();
    ShownGraph::settle();
    Slowest slowest;
    for (auto _ : state) {
        slowest.start();
        shown.window().openFile(file);
        shown.draw();
        slowest.stop();
        state.PauseTiming();
        const std::string fault = linearFault(shown, linear);
        if (!fault.empty()) {
            state.SkipWithError(fault.c_str());
            break;
        }
        ShownGraph::settle();
        state.ResumeTiming();
    }
    slowest.report(state);
}
BENCHMARK_CAPTURE(BM_OpenLinearFile, channel1, kChannel1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_OpenLinearFile, channel3, kChannel3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Next through a whole bin file and Previous back, one page pair a step, each drawn.
void BM_StepBinFile(benchmark::State& state) {
    if (!recordings().failure().empty()) {
        state.SkipWithError(recordings().failure().c_str());
        return;
    }
    ShownGraph shown;
    GraphWindow& window = shown.window();
    window.openFile(QString::fromStdString(recordings().file(Preload::Bin)));
    shown.draw();
    ShownGraph::settle();
    if (window.currentPage() != 1 || !shown.fault().empty()) {
        state.SkipWithError(("the bin file did not open: " + shown.fault()).c_str());
        return;
    }
    bool forward = true;
    Slowest slowest;
    for (auto _ : state) {
        const int expected = window.currentPage() + (forward ? 2 : -2);
        slowest.start();
        if (forward) {
            window.showNextPages();
        } else {
            window.showPreviousPages();
        }
        shown.draw();
        slowest.stop();
        state.PauseTiming();
        const int page = window.currentPage();
        std::string fault = shown.fault();
        if (fault.empty() && (page != expected || window.graphX().pointCount() != kBinPlotX ||
                              window.graphY().pointCount() != kBinPlotY)) {
            fault = "page pair " + std::to_string(page) + " was not plotted";
        }
        if (!fault.empty()) {
            state.SkipWithError(fault.c_str());
            break;
        }
        if (page == kLastFullPair || page == 1) {
            forward = page == 1;
        }
        ShownGraph::settle();
        state.ResumeTiming();
    }
    slowest.report(state);
}
BENCHMARK(BM_StepBinFile)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
