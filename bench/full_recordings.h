#pragma once
// Full-memory recordings (2047 pages: bin, linear channel 1, linear channels X and Y) downloaded
// from the simulated device into a temporary folder, for the benchmarks that open, export or
// report whole files.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "device/recording_file.h"

namespace tilt::bench {

namespace fs = std::filesystem;
using tilt::device::Preload;

constexpr int kFullMemoryPages = 2047;
constexpr long kHeaderLines = 12;
constexpr int kSamplesPerPage = 264;

inline long lineCount(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    long lines = 0;
    while (std::getline(in, line)) {
        ++lines;
    }
    return lines;
}

// Full-memory recordings downloaded from the simulated device, made once per process: even in
// virtual time a download costs a good tenth of a second, far more than what is measured.
class Recordings {
  public:
    Recordings()
        : folder_(fs::temp_directory_path() /
                  ("tilt-bench-recordings-" + std::to_string(::getpid()))) {
        fs::create_directories(folder_);
        try {
            bin_ = make(Preload::Bin, "bin.tlg");
            linear1_ = make(Preload::Linear1, "linear1.tlg");
            linear3_ = make(Preload::Linear3, "linear3.tlg");
        } catch (const std::exception& e) {
            failure_ = std::string("making the recordings failed: ") + e.what();
        }
    }
    ~Recordings() {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    Recordings(const Recordings&) = delete;
    Recordings& operator=(const Recordings&) = delete;

    [[nodiscard]] const std::string& failure() const { return failure_; }
    [[nodiscard]] const std::string& file(Preload preload) const {
        return preload == Preload::Bin ? bin_ : preload == Preload::Linear1 ? linear1_ : linear3_;
    }

  private:
    std::string make(Preload preload, const char* name) {
        const fs::path file = folder_ / name;
        tilt::device::SimOptions options;
        options.preload = preload;
        options.pages = kFullMemoryPages;
        options.pushes = 12;
        const auto start = std::chrono::steady_clock::now();
        tilt::device::downloadSimulatedRecording(options, file.string());
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        const long lines = lineCount(file);
        std::fprintf(stderr, "%s: %ld lines, %ld bytes, downloaded in %.2f s\n", name, lines,
                     static_cast<long>(fs::file_size(file)), took.count());
        if (lines != kHeaderLines + kFullMemoryPages) {
            throw std::runtime_error(std::string(name) + " holds " + std::to_string(lines) +
                                     " lines");
        }
        return file.string();
    }

    fs::path folder_;
    std::string bin_;
    std::string linear1_;
    std::string linear3_;
    std::string failure_;
};

inline const Recordings& recordings() {
    static const Recordings made;
    return made;
}

}  // namespace tilt::bench
