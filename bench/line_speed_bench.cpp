// How close a download over a real serial path (QtSerialPort on a tiltsim pseudo-terminal) comes
// to the line's own pace. A page costs at least two 12 ms pauses inside its request, the three
// request bytes and the 264-byte reply at 19200 baud: 163.1 ms. Anything above that is ours.
// Also the whole `tiltctl download` command against its target.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/counting_errors.h"
#include "e2e/tiltsim_process.h"
#include "link/clock.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "logging/download_job.h"
#include "platform/system_port_catalogue.h"

namespace {

constexpr double kWireMsPerPage = 163.1;
constexpr int kRecordedPages = 40;
// Page 0, the recorded pages and the erased page that ends the recording.
constexpr int kRequestedPages = kRecordedPages + 2;

using tilt::CountingErrors;

// When the transfer started and when each data page arrived.
struct PageClock final : tilt::logging::ReplacingDownload {
    void transferStarting(std::int32_t /*firstPage*/) override {
        start = std::chrono::steady_clock::now();
    }
    void transferProgress(const tilt::logging::TransferProgress& p) override {
        if (p.pageArrived) {
            arrivals.push_back(std::chrono::steady_clock::now());
        }
    }
    std::chrono::steady_clock::time_point start;
    std::vector<std::chrono::steady_clock::time_point> arrivals;
};

void BM_DownloadOverPseudoTerminal(benchmark::State& state) {
    TiltsimProcess sim({"--preload", "linear1", "--pages", QString::number(kRecordedPages)});
    if (sim.path().empty()) {
        state.SkipWithError("tiltsim did not start");
        return;
    }
    tilt::link::SystemClock clock;
    tilt::platform::SystemPortCatalogue catalogue(clock);
    const auto port = static_cast<std::int16_t>(catalogue.addNamedPort(sim.path()));
    tilt::link::DeviceLink link(catalogue);
    CountingErrors errors;
    QTemporaryDir dir;
    tilt::logging::DownloadRequest request;
    request.appVersion = "3.2.4";
    request.file = dir.filePath("speed.tlg").toStdString();

    double totalMs = 0;
    double steadyMs = 0;  // from the first data page to the last: no port opening, no CSV
    for (auto _ : state) {
        // The whole download, timed from its first page request: the parameter queries before
        // it keep their own fixed pauses.
        PageClock pages;
        const auto result = tilt::logging::runDownload(
            tilt::link::JobScope(link, port, errors, "DownloadErase"), request, pages);
        const auto end = std::chrono::steady_clock::now();
        if (result.end != tilt::logging::DownloadEnd::Completed ||
            pages.arrivals.size() != kRecordedPages) {
            state.SkipWithError("the download did not complete");
            break;
        }
        totalMs += std::chrono::duration<double, std::milli>(end - pages.start).count();
        steadyMs += std::chrono::duration<double, std::milli>(pages.arrivals.back() -
                                                              pages.arrivals.front())
                        .count() /
                    (kRecordedPages - 1);
    }
    const auto runs = static_cast<double>(state.iterations());
    const double msPerPage = totalMs / runs / kRequestedPages;
    state.counters["ms_per_page"] = msPerPage;
    state.counters["ratio_to_wire"] = msPerPage / kWireMsPerPage;
    state.counters["steady_ms_per_page"] = steadyMs / runs;
    state.counters["steady_ratio"] = steadyMs / runs / kWireMsPerPage;
    if (errors.count != 0) {
        state.SkipWithError("errors were reported");
    }
}
BENCHMARK(BM_DownloadOverPseudoTerminal)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// What a user of `tiltctl download -o FILE` waits for, from starting tiltctl to its exit:
// process start, the port, the parameter queries (each confirmed by a second reading), the
// header, the pages and the CSV. The target: 1.02 x the pages' wire time + 0.5 s.
void BM_TiltctlDownloadCommand(benchmark::State& state) {
    TiltsimProcess sim({"--preload", "linear1", "--pages", QString::number(kRecordedPages)});
    if (sim.path().empty()) {
        state.SkipWithError("tiltsim did not start");
        return;
    }
    QTemporaryDir dir;
    double totalMs = 0;
    int run = 0;
    for (auto _ : state) {
        const QString file = dir.filePath(QStringLiteral("run%1.tlg").arg(++run));
        QProcess ctl;
        ctl.setStandardOutputFile(QProcess::nullDevice());
        ctl.setStandardErrorFile(QProcess::nullDevice());
        const auto start = std::chrono::steady_clock::now();
        ctl.start(TILTCTL_PATH,
                  {"--port", QString::fromStdString(sim.path()), "download", "-o", file});
        const bool finished = ctl.waitForFinished(60000);
        totalMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        if (!finished || ctl.exitCode() != 0) {
            state.SkipWithError("tiltctl download failed");
            break;
        }
    }
    const double meanMs =
        totalMs / static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
    const double targetMs = 1.02 * kRequestedPages * kWireMsPerPage + 500;
    state.counters["command_ms"] = meanMs;
    state.counters["target_ms"] = targetMs;
    state.counters["ratio_to_target"] = meanMs / targetMs;
    state.counters["meets_target"] = meanMs <= targetMs ? 1 : 0;
    state.counters["wire_ms"] = kRequestedPages * kWireMsPerPage;
}
BENCHMARK(BM_TiltctlDownloadCommand)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
