#include "apps/tiltctl_live_run.h"

#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <condition_variable>
#include <iostream>
#include <mutex>
#include <thread>

namespace tilt::ctl {

namespace {
using SteadyClock = std::chrono::steady_clock;

constexpr auto kSilenceLimit = std::chrono::seconds(kLiveSilenceSeconds);
// How often the lines are handed on: a terminal at about its display rate (a flush per line
// would wake the terminal for each of some 340 lines a second, and on a busy machine slow the
// loop down); a pipe or a file often enough for a reader to follow live, where stdio alone
// would hold seconds of readings back.
constexpr auto kTerminalFlushEvery = std::chrono::milliseconds(16);
constexpr auto kPipeFlushEvery = std::chrono::milliseconds(100);
}  // namespace

LiveOutput::LiveOutput(std::ostream& out)
    : out_(out),
      flushEvery_(&out == &std::cout && isatty(STDOUT_FILENO) == 1 ? kTerminalFlushEvery
                                                                   : kPipeFlushEvery) {}

void LiveOutput::line(const std::string& text) {
    pending_ += text;
    if (const auto now = SteadyClock::now(); now - flushed_ >= flushEvery_) {
        end();
        flushed_ = now;
    }
}

void LiveOutput::end() {
    out_ << pending_ << std::flush;
    pending_.clear();
}

// Beside the loop: stops it when its time is up, or when the device has sent no reading for
// kSilenceLimit.
class LiveWatch {
  public:
    LiveWatch(std::stop_source stop, std::optional<double> seconds)
        : stop_(std::move(stop)),
          lastReading_(SteadyClock::now().time_since_epoch().count()),
          end_(seconds ? std::optional(SteadyClock::now() +
                                       std::chrono::duration_cast<SteadyClock::duration>(
                                           std::chrono::duration<double>(*seconds)))
                       : std::nullopt),
          thread_([this](std::stop_token own) { run(own); }) {}

    void readingArrived() {
        lastReading_.store(SteadyClock::now().time_since_epoch().count(),
                           std::memory_order_relaxed);
    }

    [[nodiscard]] bool silent() const { return silent_.load(); }

  private:
    [[nodiscard]] SteadyClock::time_point silentAt() const {
        return SteadyClock::time_point(
                   SteadyClock::duration(lastReading_.load(std::memory_order_relaxed))) +
               kSilenceLimit;
    }

    void run(std::stop_token own) {
        std::mutex mutex;
        std::condition_variable_any wake;
        std::unique_lock lock(mutex);
        for (;;) {
            const auto silence = silentAt();
            (void)wake.wait_until(lock, own, end_ ? std::min(*end_, silence) : silence,
                                  [] { return false; });
            if (own.stop_requested()) {
                return;  // the loop ended by itself
            }
            const auto now = SteadyClock::now();
            if (end_ && now >= *end_) {
                break;
            }
            if (now >= silentAt()) {
                silent_ = true;
                break;
            }
        }
        stop_.request_stop();
    }

    std::stop_source stop_;
    std::atomic<SteadyClock::rep> lastReading_;
    std::optional<SteadyClock::time_point> end_;
    std::atomic<bool> silent_{false};
    std::jthread thread_;  // last, so that it ends before what it uses goes
};

LiveRun::LiveRun(Context& ctx, const LiveLimits& limits)
    : ctx_(ctx),
      limits_(limits),
      onInterrupt_(interrupt_.token(), [this] { stop_.request_stop(); }),
      link_(ctx.catalogue),
      errors_(ctx.err),
      output_(ctx.out),
      watch_(std::make_unique<LiveWatch>(stop_, limits.seconds)) {
    link_.setStopToken(stop_.get_token());
}

LiveRun::~LiveRun() = default;

link::JobScope LiveRun::job(std::string_view screen) {
    return {link_, ctx_.port, errors_, std::string(screen)};
}

void LiveRun::reading(const std::string& line) {
    if (!wantsMore()) {
        return;
    }
    if (!line.empty()) {
        output_.line(line);
    }
    watch_->readingArrived();
    if (++readings_ == limits_.count) {
        stop_.request_stop();
    }
}

int LiveRun::ended(live::LiveEnd end) {
    output_.end();
    if (jsonSummary_) {
        const double seconds = std::chrono::duration<double>(SteadyClock::now() - started_).count();
        const QJsonObject summary{
            {"readings", static_cast<double>(readings_)},
            {"seconds", seconds},
            {"readingsPerSecond", seconds > 0 ? static_cast<double>(readings_) / seconds : 0.0},
            {"askedAgain", static_cast<double>(link_.pace().askedAgain())}};
        ctx_.err << QJsonDocument(summary).toJson(QJsonDocument::Compact).toStdString() << "\n";
    }
    if (end != live::LiveEnd::Stopped) {
        ctx_.err << live::samplingEndText(end, "run it again") << "\n";
        return kDeviceFailed;
    }
    if (interrupt_.requested()) {
        ctx_.err << "Sampling halted by user after " << readings_ << " readings.\n";
        return kInterrupted;
    }
    if (watch_->silent() || readings_ == 0) {
        ctx_.err << live::silentDeviceText(readings_ > 0) << "\n";
        return kDeviceFailed;
    }
    return errors_.count() == 0 ? kDone : kDeviceFailed;
}

}  // namespace tilt::ctl
