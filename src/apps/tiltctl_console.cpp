#include "apps/tiltctl_console.h"

#include <atomic>
#include <chrono>
#include <ostream>

namespace tilt::ctl {

namespace {

// A signal handler may touch nothing but a lock-free atomic; everything else happens on the
// watcher thread.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void onInterrupt(int) {
    interrupted.store(true);
}

// How soon a Ctrl+C reaches the operation; far below anything a user notices.
constexpr auto kWatchPeriod = std::chrono::milliseconds(20);

}  // namespace

InterruptStop::InterruptStop() {
    interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;  // the second Ctrl+C is the system's again
    sigaction(SIGINT, &action, &previous_);
    watcher_ = std::jthread([this](const std::stop_token& done) {
        while (!done.stop_requested()) {
            if (interrupted.load()) {
                // Wakes the sleeps and waits of the link at once.
                source_.request_stop();
                return;
            }
            std::this_thread::sleep_for(kWatchPeriod);
        }
    });
}

InterruptStop::~InterruptStop() {
    watcher_.request_stop();
    watcher_.join();
    sigaction(SIGINT, &previous_, nullptr);
}

void StatusLine::show(const std::string& text) {
    if (!terminal_) {
        err_ << text << "\n" << std::flush;
        return;
    }
    // Blanks over the rest of a longer line drawn before.
    const std::size_t blanks = shown_ > text.size() ? shown_ - text.size() : 0;
    err_ << "\r" << text << std::string(blanks, ' ') << std::flush;
    shown_ = text.size();
}

void StatusLine::note(const std::string& text) {
    end();
    err_ << text << "\n" << std::flush;
}

void StatusLine::end() {
    if (shown_ > 0) {
        err_ << "\n" << std::flush;
        shown_ = 0;
    }
}

}  // namespace tilt::ctl
