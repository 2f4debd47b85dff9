// The download writes one page line per received page, and the CSV export then rewrites the
// whole memory: both must keep up with a full 2047-page download without growing in memory.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "common/counting_errors.h"
#include "logging/data_file.h"
#include "logging/linear_csv.h"
#include "logging/text_writer.h"
#include "memory_use.h"

namespace {

namespace fs = std::filesystem;
using Page = std::array<std::uint8_t, 264>;
constexpr std::int32_t kFullMemoryPages = 2047;

using tilt::CountingErrors;
using tilt::LinearChannel;
using tilt::RecordingMode;
using tilt::bench::currentKiB;
using tilt::bench::peakKiB;
using tilt::bench::resetPeak;

// Random samples with a button push every 50 pairs, so channel 3 lines carry markers too.
Page samplePage(std::mt19937& random) {
    Page page{};
    std::uniform_int_distribution<int> sample(0, 255);
    for (auto& b : page) {
        b = static_cast<std::uint8_t>(sample(random));
    }
    for (std::size_t k = 0; k + 1 < page.size(); k += 100) {
        page[k] = page[k + 1] = 127;
    }
    return page;
}

std::string writeHeader(const fs::path& file, RecordingMode mode, LinearChannel channel) {
    tilt::DataFileHeader header;
    header.appVersion = "3.2.4";
    header.mode = mode;
    header.channel = channel;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    for (const auto& line : tilt::logging::headerLines(tilt::logging::kDownloadPages, header)) {
        out << line << "\r\n";
    }
    return file.string();
}

// Format one page and append it to the data file, opening, syncing and closing it, as the
// download does for each page it receives. The file lies in the current folder, so that the sync
// meets a real disk rather than a temporary folder in memory: compare with the _unsynced runs
// for the cost of putting every line on the disk, against the 163.1 ms a page takes on the wire.
void BM_PageLineToFile(benchmark::State& state, RecordingMode mode, LinearChannel channel) {
    const fs::path file = fs::current_path() / "tilt-bench-pages.tlg";
    const std::string path = writeHeader(file, mode, channel);
    const auto headerBytes = fs::file_size(file);
    std::mt19937 random(7);
    const Page page = samplePage(random);
    CountingErrors errors;
    std::int32_t pageNumber = 0;
    for (auto _ : state) {
        if (pageNumber == kFullMemoryPages) {  // start the next download
            state.PauseTiming();
            fs::resize_file(file, headerBytes);
            pageNumber = 0;
            state.ResumeTiming();
        }
        const std::string line = tilt::logging::pageLineText(page, mode, channel);
        if (!tilt::logging::writeDownloadPagesToFile(path, ++pageNumber, line, errors)) {
            break;
        }
    }
    if (errors.count != 0) {
        state.SkipWithError("a page line could not be written");
    }
    state.SetItemsProcessed(state.iterations());
    fs::remove(file);
}
BENCHMARK_CAPTURE(BM_PageLineToFile, bin, RecordingMode::Bin, LinearChannel::X)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_PageLineToFile, linear3, RecordingMode::Linear, LinearChannel::Both)
    ->Unit(benchmark::kMicrosecond);

// The same line appended without the sync: what the sync costs is the difference.
void BM_PageLineToFileUnsynced(benchmark::State& state) {
    const fs::path file = fs::current_path() / "tilt-bench-unsynced.tlg";
    const std::string path = writeHeader(file, RecordingMode::Linear, LinearChannel::Both);
    std::mt19937 random(7);
    const std::string line =
        tilt::logging::pageLineText(samplePage(random), RecordingMode::Linear, LinearChannel::Both);
    const auto headerBytes = fs::file_size(file);
    std::int32_t pageNumber = 0;
    for (auto _ : state) {
        if (++pageNumber == kFullMemoryPages) {
            state.PauseTiming();
            fs::resize_file(file, headerBytes);
            pageNumber = 0;
            state.ResumeTiming();
        }
        tilt::logging::appendLine(path, line, tilt::logging::Durability::System);
    }
    state.SetItemsProcessed(state.iterations());
    fs::remove(file);
}
BENCHMARK(BM_PageLineToFileUnsynced)->Unit(benchmark::kMicrosecond);

// The CSV export of a linear data file of range(0) pages.
void BM_MakeLinearCSV(benchmark::State& state, LinearChannel channel) {
    const fs::path file = fs::temp_directory_path() / "tilt-bench-linear.tlg";
    writeHeader(file, RecordingMode::Linear, channel);
    {
        std::ofstream out(file, std::ios::binary | std::ios::app);
        std::mt19937 random(11);
        for (std::int32_t page = 1; page <= state.range(0); ++page) {
            out << page << ','
                << tilt::logging::pageLineText(samplePage(random), RecordingMode::Linear, channel)
                << "\r\n";
        }
    }
    const std::string path = file.string();
    CountingErrors errors;
    resetPeak();
    const long before = currentKiB();
    for (auto _ : state) {
        tilt::logging::makeLinearCsv(path, errors, "DownloadErase");
    }
    state.counters["peak_growth_KiB"] = static_cast<double>(peakKiB() - before);
    if (errors.count != 0) {
        state.SkipWithError("the conversion failed");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(file)));
    fs::remove(file);
    fs::remove(tilt::logging::csvPathFor(path));
}
BENCHMARK_CAPTURE(BM_MakeLinearCSV, channel1, LinearChannel::X)
    ->Arg(kFullMemoryPages)
    ->Arg(4 * kFullMemoryPages)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_MakeLinearCSV, channel3, LinearChannel::Both)
    ->Arg(kFullMemoryPages)
    ->Arg(4 * kFullMemoryPages)
    ->Unit(benchmark::kMillisecond);

}  // namespace
