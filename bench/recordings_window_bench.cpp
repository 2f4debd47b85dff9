// The Recordings window on a library of 10,000 recordings, offscreen: from the window made and
// shown to its table filled and painted (target 150 ms), and one keystroke in the filter field to
// the table filtered and painted again (target 30 ms). The library is filled beforehand, once per
// process, through the library's own interface; most entries name a small data file on disk, a
// few a file that is gone.
//
// Counters: rows, the recordings shown (after each keystroke, on average); paints, the table's
// repaints over the keystrokes; slowest_ms, the slowest single step of the run.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "library/ui/recordings_window.h"
#include "platform/sqlite_library.h"
#include "support/gui_harness.h"
#include "window_probes.h"

namespace {

namespace fs = std::filesystem;
using tilt::library::ui::RecordingsWindow;

constexpr int kRecordings = 10000;
constexpr int kLoggers = 120;
constexpr int kMissingEvery = 20;  // one file in twenty is gone

// A data file's header and one page line: what the window reads of a file is its header.
std::string dataFileText(int serial, const std::string& launch, bool linear) {
    std::string text =
        "Veltrimonic Tiltavarometer Data File Version 3.2.4\r\nDownload Pages\r\n"
        "Firmware Version: 2.15\r\nSerial Number: " +
        std::to_string(serial) + "\r\nLaunch Time: " + launch +
        "\r\nFirmware Sampling Frequency: 10\r\nChannel Gains: X=323 Y=408 Z=322"
        "\r\nChannel Offsets: X=512 Y=498 Z=505\r\nTares: X=0 Y=0\r\n" +
        (linear ? "Bin/Linear Mode = 1\r\nLinear Channel = 3\r\nPage,X Data-->,Y "
                  "Data-->\r\n"
                : "Bin/Linear Mode = 0\r\nLinear Channel = 3\r\nPage,Data-->\r\n");
    text += "1";
    for (int k = 0; k < 264; ++k) {
        text += "," + std::to_string(k % 2 == 0 ? 100 + k : -(100 + k));
    }
    return text + "\r\n";
}

std::string two(int value) {
    return (value < 10 ? "0" : "") + std::to_string(value);
}

// The library and its files, made once per process and removed at its end.
class FilledLibrary {
  public:
    FilledLibrary()
        : folder_(fs::temp_directory_path() /
                  ("tilt-bench-recordings-" + std::to_string(::getpid()))) {
        fs::create_directories(folder_ / "Data Files");
        library_ = std::make_unique<tilt::platform::SqliteLibrary>(
            tilt::platform::SqliteLibrary::fileIn(folder_));
        const auto started = std::chrono::steady_clock::now();
        for (int i = 0; i < kRecordings; ++i) {
            (void)library_->recordDataFile(entry(i));
        }
        fillSeconds_ =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }
    ~FilledLibrary() {
        library_.reset();
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    FilledLibrary(const FilledLibrary&) = delete;
    FilledLibrary& operator=(const FilledLibrary&) = delete;

    tilt::RecordingsLibrary& library() { return *library_; }
    [[nodiscard]] double fillSeconds() const { return fillSeconds_; }

  private:
    tilt::DataFileEntry entry(int i) {
        const int serial = 7000 + i % kLoggers;
        const int day = 1 + (i / kLoggers) % 28;
        const int month = 1 + (i / (kLoggers * 28)) % 12;
        const std::string launch =
            two(month) + "/" + two(day) + "/2026 " + two(i % 24) + ":" + two(i % 60) + ":00";
        const bool linear = i % 3 != 0;
        const fs::path file =
            folder_ / "Data Files" /
            ("logger" + std::to_string(serial) + " " + std::to_string(i) + ".tlg");
        if (i % kMissingEvery != 0) {
            std::ofstream(file, std::ios::binary) << dataFileText(serial, launch, linear);
        }
        tilt::DataFileEntry e;
        e.recording = {serial, launch};
        e.firmware = "2.15";
        e.mode = linear ? tilt::RecordingMode::Linear : tilt::RecordingMode::Bin;
        e.channel = 3;
        e.path = file.string();
        e.size = 2000;
        e.sha256 = "sha256 of recording " + std::to_string(i);
        e.pages = 1 + i % 2047;
        e.slotCount = linear ? e.pages * 132L : (e.pages + 1) / 2;
        e.complete = i % 50 != 0;
        e.downloadedAt = "2026-" + two(month) + "-" + two(day) + "T" + two(i % 24) + ":" +
                         two((i / 24) % 60) + ":" + two(i % 60) + ".000";
        e.program = i % 4 == 0 ? "tiltctl" : "tiltavarometer";
        return e;
    }

    fs::path folder_;
    std::unique_ptr<tilt::platform::SqliteLibrary> library_;
    double fillSeconds_ = 0;
};

FilledLibrary& filled() {
    static FilledLibrary made;
    return made;
}

// Runs the event loop until `done` holds, sleeping between events rather than polling: the
// window's threads have the processor to themselves while the window waits for them.
template <typename Pred>
bool runUntil(Pred done, int timeoutMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    QTimer tick;  // wakes the wait now and then to look at the deadline
    tick.start(5);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// The GUI tests' fakes, with the filled library in the context.
struct Desktop {
    tilt::testing::GuiHarness gui;
    tilt::common::ui::AppContext context{.state = {},
                                         .messages = gui.messages,
                                         .errors = gui.screenErrors,
                                         .settings = gui.settings,
                                         .fileDialogs = gui.fileDialogs,
                                         .catalogue = gui.catalogue,
                                         .threads = tilt::link::standardThreads(),
                                         .device = gui.device,
                                         .paths = gui.context.paths,
                                         .library = filled().library(),
                                         .technician = false,
                                         .exitProgram = {},
                                         .loggerEvents = {}};
};

// A window made and shown, to its table holding every recording and painted with them.
void BM_OpenFilled(benchmark::State& state) {
    std::fprintf(stderr, "library of %d recordings filled in %.1f s\n", kRecordings,
                 filled().fillSeconds());
    Desktop desktop;
    Slowest slowest;
    for (auto _ : state) {
        auto* window = new RecordingsWindow(desktop.context, {});
        auto* table = window->findChild<QTableView*>("tblRecordings");
        PaintCounter painted;
        bool filledIn = false;
        QObject::connect(table->model(), &QAbstractItemModel::modelReset, [&] {
            filledIn = true;
            painted.paints = 0;  // only paints of the filled table count
        });
        table->viewport()->installEventFilter(&painted);
        slowest.start();
        window->resize(1120, 720);
        window->show();
        const bool done = runUntil([&] { return filledIn && painted.paints > 0; });
        slowest.stop();
        state.PauseTiming();
        const int rows = table->model()->rowCount();
        state.counters["rows"] = rows;
        if (!done || rows != kRecordings || !desktop.gui.messages.shown.empty()) {
            state.SkipWithError(!desktop.gui.messages.shown.empty()
                                    ? desktop.gui.messages.shown.front().text.c_str()
                                    : "the table was not filled and painted");
            delete window;
            break;
        }
        // The files' headers are read after the table is shown; not part of the open.
        (void)runUntil([&] { return !window->busy(); });
        delete window;
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    slowest.report(state);
}
BENCHMARK(BM_OpenFilled)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// One key typed or erased in the filter field, to the table filtered and painted again. The keys
// make and unmake filters that keep every row, a few hundred, or none. Typing filters at once; the
// events that follow (the table's repaint among them) are handled before the step ends.
void BM_FilterKeystroke(benchmark::State& state) {
    Desktop desktop;
    auto* window = new RecordingsWindow(desktop.context, {});
    window->resize(1120, 720);
    window->show();
    auto* table = window->findChild<QTableView*>("tblRecordings");
    auto* filter = window->findChild<QLineEdit*>("txtFilter");
    if (!runUntil([&] { return !window->busy() && table->model()->rowCount() == kRecordings; })) {
        state.SkipWithError("the table was not filled");
        delete window;
        return;
    }
    QCoreApplication::processEvents();
    PaintCounter painted;
    table->viewport()->installEventFilter(&painted);
    const std::vector<std::pair<Qt::Key, char>> keys = {
        {Qt::Key_2, '2'},       {Qt::Key_0, '0'},       {Qt::Key_Backspace, 0},
        {Qt::Key_Backspace, 0}, {Qt::Key_7, '7'},       {Qt::Key_0, '0'},
        {Qt::Key_4, '4'},       {Qt::Key_2, '2'},       {Qt::Key_Backspace, 0},
        {Qt::Key_Backspace, 0}, {Qt::Key_Backspace, 0}, {Qt::Key_Backspace, 0},
        {Qt::Key_L, 'l'},       {Qt::Key_I, 'i'},       {Qt::Key_N, 'n'},
        {Qt::Key_Space, ' '},   {Qt::Key_Q, 'q'},       {Qt::Key_Backspace, 0},
        {Qt::Key_Backspace, 0}, {Qt::Key_Backspace, 0}, {Qt::Key_Backspace, 0},
        {Qt::Key_Backspace, 0},
    };
    std::size_t next = 0;
    Slowest slowest;
    double shownRows = 0;
    for (auto _ : state) {
        const auto& [key, text] = keys[next++ % keys.size()];
        slowest.start();
        if (text != 0) {
            QTest::keyClick(filter, text);
        } else {
            QTest::keyClick(filter, key);
        }
        QCoreApplication::processEvents();
        slowest.stop();
        shownRows += table->model()->rowCount();
    }
    if (painted.paints == 0 || !filter->text().isEmpty() ||
        table->model()->rowCount() != kRecordings) {
        state.SkipWithError("the keys did not filter the table and paint it");
    }
    state.counters["rows"] = benchmark::Counter(shownRows, benchmark::Counter::kAvgIterations);
    state.counters["paints"] = static_cast<double>(painted.paints);
    slowest.report(state);
    delete window;
}
BENCHMARK(BM_FilterKeystroke)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(220);

}  // namespace
