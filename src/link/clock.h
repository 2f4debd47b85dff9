#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stop_token>

namespace tilt::link {

// Time on a clock's own line, counted from an arbitrary start.
using Nanos = std::chrono::nanoseconds;

// Where operations take their time from. Pauses and waits go through a clock, so the same
// operation runs in real time against a device or in virtual time in tests.
class Clock {
  public:
    virtual ~Clock() = default;

    // Steady time: what pauses, waits, watchdogs and deadlines go by. A change of the date does
    // not move it.
    [[nodiscard]] virtual Nanos now() const = 0;

    // Date and time of day, for what is written down: launch stamps, error records, file
    // lines. Never for measuring how long something took.
    [[nodiscard]] virtual std::chrono::system_clock::time_point wallNow() const = 0;

    // Returns at `deadline`, or earlier when a stop is requested.
    virtual void sleepUntil(Nanos deadline, std::stop_token stop) = 0;

    void sleepFor(Nanos duration, std::stop_token stop) { sleepUntil(now() + duration, stop); }
};

// Real time: a steady clock for pauses, the system clock for the date.
class SystemClock final : public Clock {
  public:
    [[nodiscard]] Nanos now() const override;
    [[nodiscard]] std::chrono::system_clock::time_point wallNow() const override;
    void sleepUntil(Nanos deadline, std::stop_token stop) override;

  private:
    std::mutex mutex_;
    std::condition_variable_any wake_;
};

// Virtual time: sleeping moves the clock forward at once. One thread drives it.
class SimClock final : public Clock {
  public:
    explicit SimClock(
        std::chrono::system_clock::time_point wallStart = std::chrono::system_clock::time_point{});

    [[nodiscard]] Nanos now() const override { return Nanos(now_.load()); }
    [[nodiscard]] std::chrono::system_clock::time_point wallNow() const override;
    void sleepUntil(Nanos deadline, std::stop_token stop) override;

    void advance(Nanos by) { now_ += by.count(); }

    // Sets the date and time forward or back, as a user or a time server may do, without
    // moving the steady time that pauses and deadlines go by.
    void shiftWall(Nanos by) { wallShift_ += by.count(); }

  private:
    // Atomic so that another thread may read the time while the driving thread sleeps.
    std::atomic<Nanos::rep> now_{0};
    std::atomic<Nanos::rep> wallShift_{0};
    std::chrono::system_clock::time_point wallStart_;
};

// Milliseconds as clock time.
[[nodiscard]] constexpr Nanos ms(long long milliseconds) {
    return std::chrono::milliseconds(milliseconds);
}

}  // namespace tilt::link
