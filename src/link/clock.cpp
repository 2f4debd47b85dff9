#include "link/clock.h"

namespace tilt::link {

Nanos SystemClock::now() const {
    return std::chrono::duration_cast<Nanos>(std::chrono::steady_clock::now().time_since_epoch());
}

std::chrono::system_clock::time_point SystemClock::wallNow() const {
    return std::chrono::system_clock::now();
}

void SystemClock::sleepUntil(Nanos deadline, std::stop_token stop) {
    const auto until = std::chrono::steady_clock::time_point(
        std::chrono::duration_cast<std::chrono::steady_clock::duration>(deadline));
    std::unique_lock lock(mutex_);
    // Nothing notifies wake_ but a stop request, so this is a cancellable sleep.
    wake_.wait_until(lock, stop, until, [] { return false; });
}

SimClock::SimClock(std::chrono::system_clock::time_point wallStart) : wallStart_(wallStart) {}

std::chrono::system_clock::time_point SimClock::wallNow() const {
    return wallStart_ + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                            now() + Nanos(wallShift_.load()));
}

void SimClock::sleepUntil(Nanos deadline, std::stop_token stop) {
    if (stop.stop_requested()) {
        return;
    }
    if (deadline.count() > now_.load()) {
        now_.store(deadline.count());
    }
}

}  // namespace tilt::link
