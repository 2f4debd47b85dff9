#include "apps/tiltctl_console.h"

#include <semaphore.h>

#include <atomic>
#include <cerrno>
#include <ostream>

namespace tilt::ctl {

namespace {

// A signal handler may only post a semaphore and touch a lock-free atomic; everything else
// happens on the watcher thread, which sleeps on the semaphore until there is something to do.
sem_t wake;
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

void onInterrupt(int) {
    interrupted.store(true);
    sem_post(&wake);
}

}  // namespace

InterruptStop::InterruptStop() {
    interrupted.store(false);
    sem_init(&wake, 0, 0);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;  // the second Ctrl+C is the system's again
    sigaction(SIGINT, &action, &previous_);
    watcher_ = std::thread([this] {
        while (sem_wait(&wake) != 0 && errno == EINTR) {
        }
        if (interrupted.load()) {
            source_.request_stop();  // wakes the sleeps and waits of the link at once
        }
    });
}

InterruptStop::~InterruptStop() {
    sigaction(SIGINT, &previous_, nullptr);
    sem_post(&wake);  // the watcher's last wake-up, if no Ctrl+C came
    watcher_.join();
    sem_destroy(&wake);
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
