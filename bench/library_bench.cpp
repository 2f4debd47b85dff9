// The recordings library as the user waits for it: the whole `tiltctl library import` of a
// folder of 500 data files (40-page recordings of the simulated logger, each of its own seed)
// into an empty library, and `tiltctl library list --json` of them. Target: the import within
// 10 s.
//
// Counters: files, the data files in the folder.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QProcess>
#include <QProcessEnvironment>
#include <filesystem>
#include <string>

#include "device/recording_file.h"
#include "support/sim_bench.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFiles = 500;

// The folder of recordings, made once per process and removed at its end.
struct Recordings {
    Recordings()
        : folder(fs::temp_directory_path() / ("tilt-bench-library-" + std::to_string(::getpid()))) {
        fs::create_directories(folder / "field");
        for (int i = 0; i < kFiles; ++i) {
            tilt::device::downloadSimulatedRecording(
                tilt::testing::recording(
                    i % 3 == 0 ? tilt::device::Preload::Bin : tilt::device::Preload::Linear3, 40,
                    static_cast<std::uint64_t>(i + 1)),
                (folder / "field" / ("walk" + std::to_string(i) + ".tlg")).string());
        }
    }
    ~Recordings() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    fs::path folder;
};

const fs::path& recordings() {
    static const Recordings made;
    return made.folder;
}

int runTiltctl(const QStringList& args, const fs::path& home) {
    QProcess ctl;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TILTAVAROMETER_HOME", QString::fromStdString(home.string()));
    ctl.setProcessEnvironment(env);
    ctl.start(TILTCTL_PATH, args);
    ctl.waitForFinished(120000);
    return ctl.exitCode();
}

void BM_ImportFolder(benchmark::State& state) {
    const fs::path& folder = recordings();
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const fs::path home = folder / ("home" + std::to_string(run++));
        state.ResumeTiming();
        if (runTiltctl({"library", "import", QString::fromStdString((folder / "field").string())},
                       home) != 0) {
            state.SkipWithError("tiltctl library import failed");
            return;
        }
    }
    state.counters["files"] = kFiles;
}
BENCHMARK(BM_ImportFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_ListJson(benchmark::State& state) {
    const fs::path home = recordings() / "home0";
    for (auto _ : state) {
        if (runTiltctl({"library", "list", "--json"}, home) != 0) {
            state.SkipWithError("tiltctl library list failed");
            return;
        }
    }
}
BENCHMARK(BM_ListJson)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
