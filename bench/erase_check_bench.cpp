// What the recordings library costs the device jobs, over a real serial path (QtSerialPort on a
// tiltsim pseudo-terminal, real time):
// - the check before an erase or a launch: the line time for an empty memory, a recording with a
//   complete download in the library, and one with pages at stake (counted by a halving search);
// - a download with the library recording it against the same download without.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>
#include <chrono>
#include <string>

#include "common/counting_errors.h"
#include "e2e/tiltsim_process.h"
#include "link/clock.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "logging/download_job.h"
#include "logging/erase_check.h"
#include "platform/sqlite_library.h"
#include "platform/system_port_catalogue.h"

namespace {

using Clock = std::chrono::steady_clock;
using tilt::logging::EraseCheck;

double msOf(tilt::link::Nanos t) {
    return std::chrono::duration<double, std::milli>(t).count();
}

// A logger on a tiltsim terminal, and a library in a temporary data root.
struct Bench {
    explicit Bench(const QStringList& options) : sim(options) {
        port = static_cast<std::int16_t>(catalogue.addNamedPort(sim.path()));
    }
    [[nodiscard]] tilt::link::JobScope job() { return {link, port, errors, "DownloadErase"}; }

    TiltsimProcess sim;
    tilt::link::SystemClock clock;
    tilt::platform::SystemPortCatalogue catalogue{clock};
    std::int16_t port = 0;
    tilt::link::DeviceLink link{catalogue};
    tilt::CountingErrors errors;
    QTemporaryDir root;
    tilt::platform::SqliteLibrary library{
        tilt::platform::SqliteLibrary::fileIn(root.path().toStdString())};
};

constexpr int kPages = 300;

// 0: empty memory; 1: downloaded (the library holds a complete download of all its pages);
// 2: never downloaded, its 300 pages counted.
void BM_CheckBeforeErasing(benchmark::State& state) {
    const auto kind = state.range(0);
    Bench bench(kind == 0
                    ? QStringList{"--preload", "empty"}
                    : QStringList{"--preload", "linear2", "--pages", QString::number(kPages)});
    const EraseCheck::Verdict expected[] = {
        EraseCheck::Verdict::Empty, EraseCheck::Verdict::Downloaded, EraseCheck::Verdict::AtStake};
    if (kind == 1) {
        const auto first = tilt::logging::checkBeforeErasing(bench.job(), bench.library);
        tilt::DataFileEntry entry;
        entry.recording = *first.recording;
        entry.path = bench.root.filePath("whole.tlg").toStdString();
        entry.sha256 = "0";
        entry.pages = kPages;
        entry.complete = true;
        (void)bench.library.recordDataFile(entry);
    }
    double lineMs = 0;
    double wholeMs = 0;
    int pagesAsked = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const EraseCheck check = tilt::logging::checkBeforeErasing(bench.job(), bench.library);
        wholeMs += msOf(Clock::now() - start);
        lineMs += msOf(check.lineTime);
        pagesAsked = check.pagesAsked;
        if (check.verdict != expected[kind] || (kind == 2 && check.pagesHeld != kPages)) {
            state.SkipWithError("the check did not find what the logger holds");
            return;
        }
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["line_ms"] = lineMs / runs;
    state.counters["whole_ms"] = wholeMs / runs;
    state.counters["pages_asked"] = pagesAsked;
}
BENCHMARK(BM_CheckBeforeErasing)
    ->ArgName("empty0_downloaded1_atstake2")
    ->DenseRange(0, 2)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The same 40-page download with and without the library, in turns, so that both meet the same
// machine; the library's share of the whole download.
void BM_DownloadWithAndWithoutLibrary(benchmark::State& state) {
    Bench bench({"--preload", "linear1", "--pages", "40"});
    tilt::logging::ReplacingDownload frontEnd;
    tilt::logging::DownloadRequest request;
    request.appVersion = "3.2.4";
    request.program = "tiltctl";
    double withMs = 0;
    double withoutMs = 0;
    for (auto _ : state) {
        for (const bool library : {false, true}) {
            request.library = library ? &bench.library : nullptr;
            request.file = bench.root.filePath(library ? "with.tlg" : "without.tlg").toStdString();
            const auto start = Clock::now();
            const auto result = tilt::logging::runDownload(bench.job(), request, frontEnd);
            (library ? withMs : withoutMs) += msOf(Clock::now() - start);
            if (result.end != tilt::logging::DownloadEnd::Completed ||
                !result.libraryProblem.empty()) {
                state.SkipWithError("the download did not complete");
                return;
            }
        }
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["with_ms"] = withMs / runs;
    state.counters["without_ms"] = withoutMs / runs;
    state.counters["overhead_pct"] = (withMs / withoutMs - 1) * 100;
}
BENCHMARK(BM_DownloadWithAndWithoutLibrary)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
