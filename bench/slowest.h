#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

// The slowest single step of a run: the promises are about every open and every step, not only
// about their mean.
class Slowest {
  public:
    void start() { started_ = std::chrono::steady_clock::now(); }
    void stop() {
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - started_;
        ms_ = std::max(ms_, took.count());
    }
    void report(benchmark::State& state) const { state.counters["slowest_ms"] = ms_; }

  private:
    std::chrono::steady_clock::time_point started_;
    double ms_ = 0;
};
