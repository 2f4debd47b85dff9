// How close a download over a real serial path (QtSerialPort on a tiltsim pseudo-terminal) comes
// to the line's own pace. A page costs at least two 12 ms pauses inside its request, the three
// request bytes and the 264-byte reply at 19200 baud: 163.1 ms. Anything above that is ours.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/device_link.h"
#include "logging/download_parameters.h"
#include "logging/download_session.h"
#include "platform/system_port_catalogue.h"
#include "shell/counting_errors.h"

namespace {

constexpr double kWireMsPerPage = 163.1;
constexpr int kRecordedPages = 40;
// Page 0, the recorded pages and the erased page that ends the recording.
constexpr int kRequestedPages = kRecordedPages + 2;

using tilt::CountingErrors;

// A tiltsim serving a linear recording, for as long as the benchmark runs.
class Tiltsim {
  public:
    Tiltsim() {
        process_.start(TILTSIM_PATH,
                       {"--preload", "linear1", "--pages", QString::number(kRecordedPages)});
        if (!process_.waitForStarted(5000) || !process_.waitForReadyRead(5000)) {
            throw std::runtime_error("tiltsim did not start");
        }
        path_ = QString::fromLocal8Bit(process_.readLine()).trimmed().toStdString();
    }
    ~Tiltsim() {
        process_.closeWriteChannel();  // tiltsim ends when its standard input closes
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    Tiltsim(const Tiltsim&) = delete;
    Tiltsim& operator=(const Tiltsim&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }

  private:
    QProcess process_;
    std::string path_;
};

void BM_DownloadOverPseudoTerminal(benchmark::State& state) {
    Tiltsim sim;
    tilt::link::SystemClock clock;
    tilt::platform::SystemPortCatalogue catalogue(clock);
    const auto port = static_cast<std::int16_t>(catalogue.addNamedPort(sim.path()));
    tilt::link::DeviceLink link(catalogue);
    CountingErrors errors;
    const auto parameters =
        tilt::logging::GetDownloadParameters(link, port, errors, "DownloadErase", '.');
    if (parameters.failed) {
        state.SkipWithError("the parameter queries failed");
        return;
    }
    const auto header = tilt::logging::dataFileHeaderOf(parameters.parameters, "3.2.4");
    QTemporaryDir dir;
    const std::string file = dir.filePath("speed.tlg").toStdString();

    double totalMs = 0;
    double steadyMs = 0;  // from the first data page to the last: no port opening, no CSV
    for (auto _ : state) {
        state.PauseTiming();
        tilt::logging::writeDataFileHeader(file, tilt::logging::kDownloadPages, header);
        std::optional<std::chrono::system_clock::time_point> lastReceive;
        std::vector<std::chrono::steady_clock::time_point> arrivals;
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        const auto result = tilt::logging::downloadIntoFile(
            link, port, errors, header, {file, 0}, 2048,
            [&](const tilt::logging::TransferProgress& p) {
                if (p.pageArrived) {
                    arrivals.push_back(std::chrono::steady_clock::now());
                }
            },
            lastReceive);
        const auto end = std::chrono::steady_clock::now();
        if (result.end != tilt::logging::TransferEnd::Completed ||
            arrivals.size() != kRecordedPages) {
            state.SkipWithError("the download did not complete");
            break;
        }
        totalMs += std::chrono::duration<double, std::milli>(end - start).count();
        steadyMs +=
            std::chrono::duration<double, std::milli>(arrivals.back() - arrivals.front()).count() /
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

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);  // QProcess and QtSerialPort want one
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
