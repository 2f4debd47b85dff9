#pragma once

// What the window benchmarks watch: the slowest single step, and the paints a widget receives.

#include <benchmark/benchmark.h>

#include <QEvent>
#include <QObject>

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

// Counts the paints a widget receives, to be sure that a draw reached the screen.
class PaintCounter final : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
    long paints = 0;
};
