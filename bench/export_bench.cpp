// The dated export and the one-page report of full-memory recordings (2047 pages; linear channel
// 1 holds 540,408 samples), as the user waits for them: the whole tiltctl command from start to
// exit, and the Graph window's File > Export Data and File > Report from the menu to the status
// line. Targets: an export within 1 s, a report within 2 s.
//
// Counters: rows, the rows written (from tiltctl's own count); MB, the size of what was written;
// ui_stall_ms, the longest the window's thread went without running its timer during the
// window's action (the window stays live when this is small).
#include <benchmark/benchmark.h>

#include <QAction>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTimer>
#include <filesystem>
#include <string>

#include "full_recordings.h"
#include "support/gui_harness.h"
#include "view/ui/graph_window.h"
#include "view/ui/recording_outputs.h"

namespace {

namespace fs = std::filesystem;
using tilt::bench::recordings;
using tilt::device::Preload;

fs::path outputFolder() {
    static const fs::path folder = [] {
        fs::path made =
            fs::temp_directory_path() / ("tilt-bench-export-" + std::to_string(::getpid()));
        fs::create_directories(made);
        return made;
    }();
    return folder;
}

// Runs tiltctl with `args` to its end; its standard error, or the failure.
bool runTiltctl(const QStringList& args, QString& err) {
    QProcess ctl;
    ctl.start(TILTCTL_PATH, args);
    if (!ctl.waitForFinished(60000) || ctl.exitCode() != 0) {
        err = QString::fromLocal8Bit(ctl.readAllStandardError());
        return false;
    }
    err = QString::fromLocal8Bit(ctl.readAllStandardError());
    return true;
}

void BM_TiltctlExport(benchmark::State& state, Preload preload, const char* suffix) {
    if (!recordings().failure().empty()) {
        state.SkipWithError(recordings().failure().c_str());
        return;
    }
    const QString file = QString::fromStdString(recordings().file(preload));
    const fs::path out = outputFolder() / (std::string("export.") + suffix);
    QString err;
    for (auto _ : state) {
        if (!runTiltctl({"export", file, "-o", QString::fromStdString(out.string())}, err)) {
            state.SkipWithError(("tiltctl export failed: " + err).toStdString().c_str());
            return;
        }
    }
    state.counters["rows"] = err.section(' ', 0, 0).toDouble();
    state.counters["MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
}
BENCHMARK_CAPTURE(BM_TiltctlExport, linear1_csv, Preload::Linear1, "csv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_TiltctlExport, linear1_json, Preload::Linear1, "json")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_TiltctlExport, linear3_csv, Preload::Linear3, "csv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_TiltctlExport, bin_csv, Preload::Bin, "csv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

void BM_TiltctlReport(benchmark::State& state, Preload preload) {
    if (!recordings().failure().empty()) {
        state.SkipWithError(recordings().failure().c_str());
        return;
    }
    const QString file = QString::fromStdString(recordings().file(preload));
    const fs::path out = outputFolder() / "report.pdf";
    QString err;
    for (auto _ : state) {
        if (!runTiltctl({"report", file, "-o", QString::fromStdString(out.string())}, err)) {
            state.SkipWithError(("tiltctl report failed: " + err).toStdString().c_str());
            return;
        }
    }
    state.counters["MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
}
BENCHMARK_CAPTURE(BM_TiltctlReport, linear1, Preload::Linear1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_TiltctlReport, linear3, Preload::Linear3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_TiltctlReport, bin, Preload::Bin)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

// The Graph window's File > Export Data (or Report) on the file it shows: from the menu to the
// status line, while a 5 ms timer on the window's thread measures how long it is kept waiting.
void BM_WindowAction(benchmark::State& state, const char* action, const char* suffix) {
    if (!recordings().failure().empty()) {
        state.SkipWithError(recordings().failure().c_str());
        return;
    }
    tilt::testing::GuiHarness gui;
    gui.start();
    auto* window = new tilt::view::ui::GraphWindow(gui.context);
    window->openFile(QString::fromStdString(recordings().file(Preload::Linear1)));
    const std::string out = (outputFolder() / (std::string("window.") + suffix)).string();
    double stall = 0;
    for (auto _ : state) {
        gui.fileDialogs.answers.push_back(out);
        QSignalSpy finished(&window->outputs(), &tilt::view::ui::RecordingOutputs::finished);
        QElapsedTimer sinceTick;
        QTimer ticks;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            stall = std::max(stall, static_cast<double>(sinceTick.restart()));
        });
        ticks.start(5);
        sinceTick.start();
        window->findChild<QAction*>(action)->trigger();
        if (!finished.wait(60000)) {
            state.SkipWithError("the window's action did not finish");
            return;
        }
        stall = std::max(stall, static_cast<double>(sinceTick.elapsed()));
    }
    state.counters["ui_stall_ms"] = stall;
    state.counters["MB"] = static_cast<double>(fs::file_size(out)) / 1e6;
    if (!gui.texts().empty()) {
        state.SkipWithError(("message shown: " + gui.texts().front()).c_str());
    }
    delete window;
}
BENCHMARK_CAPTURE(BM_WindowAction, export_data_linear1_csv, "mnuExportData", "csv")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);
BENCHMARK_CAPTURE(BM_WindowAction, report_linear1, "mnuReport", "pdf")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(5);

}  // namespace
