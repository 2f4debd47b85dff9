// The team store as the user waits for it: whole tiltctl commands against a local PostgreSQL
// server the benchmark starts itself (a throwaway cluster, as the tests use).
// - push of one full linear recording (2047 pages, 540,408 samples): target 3 s;
// - push of 100 recordings of 40 pages: target 10 s;
// - a second push of the same library, nothing new: target 0.5 s;
// - query of one day of one logger (1.3 M samples at 15 Hz) into a file: target 2 s.
// Making the recordings, importing them and filling the day are not timed. Each library also
// holds 200 configuration snapshots and 600 events, which every push compares with the server's.
// The cluster runs without fsync, as in the tests; TILT_PG_DURABLE=1 gives it the server's
// durable defaults.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QProcess>
#include <QProcessEnvironment>
#include <chrono>
#include <filesystem>
#include <string>

#include "device/recording_file.h"
#include "platform/sqlite_library.h"
#include "support/pg_cluster.h"
#include "support/sim_bench.h"

namespace {

namespace fs = std::filesystem;
using tilt::testing::PgCluster;
using Clock = std::chrono::steady_clock;

// A data root with its library and recordings, and tiltctl on it.
struct Root {
    explicit Root(const std::string& name)
        : folder(fs::temp_directory_path() /
                 ("tilt-bench-store-" + name + "-" + std::to_string(::getpid()))) {
        fs::remove_all(folder);
        fs::create_directories(folder / "field");
    }
    ~Root() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    void record(tilt::device::Preload preload, int pages, std::uint64_t seed) const {
        tilt::device::downloadSimulatedRecording(
            tilt::testing::recording(preload, pages, seed),
            (folder / "field" / ("r" + std::to_string(seed) + ".tlg")).string());
    }
    // The recordings into the library, with a history of configurations and events for their
    // loggers (not timed).
    [[nodiscard]] bool importAll() const {
        if (tiltctl({"library", "import", QString::fromStdString((folder / "field").string())})
                .first != 0) {
            return false;
        }
        tilt::platform::SqliteLibrary library(tilt::platform::SqliteLibrary::fileIn(folder));
        const auto loggers = library.loggers();
        for (int i = 0; i < 200; ++i) {
            const std::int64_t serial = loggers[static_cast<std::size_t>(i) % loggers.size()];
            const std::string at = "2026-11-" + std::to_string(10 + i % 18) +
                                   "T08:00:" + std::to_string(10 + i / 18) + ".000";
            library.recordSnapshot(
                {0, serial, at, i % 2 == 0 ? "read" : "write", {{"TareX", std::to_string(i)}}});
            for (const char* kind : {"erase", "launch", "configuration-write"}) {
                library.recordEvent({serial, at, kind, "completed", "bench " + std::to_string(i)});
            }
        }
        return true;
    }
    // The whole command: its exit code and the milliseconds it took.
    std::pair<int, double> tiltctl(const QStringList& args) const {
        QProcess ctl;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TILTAVAROMETER_HOME", QString::fromStdString(folder.string()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString((folder / "config").string()));
        ctl.setProcessEnvironment(env);
        ctl.setStandardOutputFile(QProcess::nullDevice());
        ctl.setStandardErrorFile(QProcess::nullDevice());
        const auto start = Clock::now();
        ctl.start(TILTCTL_PATH, args);
        ctl.waitForFinished(600000);
        return {ctl.exitCode(),
                std::chrono::duration<double, std::milli>(Clock::now() - start).count()};
    }
    fs::path folder;
};

std::string freshDatabase(const char* stem) {
    static int next = 0;
    const std::string name = std::string(stem) + std::to_string(++next);
    PgCluster::shared().createDatabase(name);
    return name;
}

QString db(const std::string& database) {
    return QString::fromStdString(PgCluster::shared().adminConnection(database));
}

// Pushes of a library into a new store each time: the first push, then the second with nothing
// new.
void pushes(benchmark::State& state, const Root& root) {
    double firstMs = 0;
    double secondMs = 0;
    for (auto _ : state) {
        const std::string database = freshDatabase("push");
        if (root.tiltctl({"store", "init", "--db", db(database)}).first != 0) {
            state.SkipWithError("store init failed");
            return;
        }
        const auto first = root.tiltctl({"store", "push", "--db", db(database)});
        const auto second = root.tiltctl({"store", "push", "--db", db(database)});
        if (first.first != 0 || second.first != 0) {
            state.SkipWithError("store push failed");
            return;
        }
        firstMs += first.second;
        secondMs += second.second;
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["push_ms"] = firstMs / runs;
    state.counters["second_push_ms"] = secondMs / runs;
}

void BM_PushFullLinearRecording(benchmark::State& state) {
    Root root("full");
    root.record(tilt::device::Preload::Linear1, 2047, 1);
    if (!root.importAll()) {
        state.SkipWithError("import failed");
        return;
    }
    pushes(state, root);
}
BENCHMARK(BM_PushFullLinearRecording)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_Push100RecordingsOf40Pages(benchmark::State& state) {
    Root root("hundred");
    for (std::uint64_t seed = 1; seed <= 100; ++seed) {
        root.record(tilt::device::Preload::Linear3, 40, seed);
    }
    if (!root.importAll()) {
        state.SkipWithError("import failed");
        return;
    }
    pushes(state, root);
}
BENCHMARK(BM_Push100RecordingsOf40Pages)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// One day of logger 4242 at 15 Hz, 1,296,000 samples of two channels, put straight into the
// store; then the whole `tiltctl store query` of that day into a CSV file.
void BM_QueryOneDayIntoAFile(benchmark::State& state) {
    Root root("query");
    const std::string database = freshDatabase("query");
    (void)root.tiltctl({"store", "init", "--db", db(database)});
    PgCluster::shared().sql(
        "INSERT INTO tilt_loggers (serial) VALUES (4242);"
        "INSERT INTO tilt_recordings (id, serial, launch_time, mode, channel) VALUES (1, 4242, "
        "'12/01/2026 00:00:00', 'linear', 3);"
        "INSERT INTO tilt_samples (recording, serial, slot, at, offset_ms, x, y, push) SELECT 1, "
        "4242, n, timestamp '2026-12-01 00:00:00' + n * interval '66.667 milliseconds', "
        "round(n * 66.667), round((n % 1800 - 900) / 10.0, 1), round((n % 900 - 450) / 10.0, 1), "
        "n % 10000 = 0 FROM generate_series(0, 1295999) AS n;"
        "ANALYZE tilt_samples;",
        database);
    const QString out = QString::fromStdString((root.folder / "day.csv").string());
    double ms = 0;
    for (auto _ : state) {
        const auto query =
            root.tiltctl({"store", "query", "--db", db(database), "--serial", "4242", "--from",
                          "2026-12-01T00:00:00", "--to", "2026-12-01T23:59:59.999", "-o", out});
        if (query.first != 0) {
            state.SkipWithError("store query failed");
            return;
        }
        ms += query.second;
    }
    state.counters["query_ms"] = ms / static_cast<double>(state.iterations());
    state.counters["file_mb"] = static_cast<double>(fs::file_size(out.toStdString())) / 1e6;
}
BENCHMARK(BM_QueryOneDayIntoAFile)->Iterations(3)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
