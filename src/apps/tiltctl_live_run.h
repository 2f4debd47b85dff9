#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <stop_token>
#include <string>
#include <string_view>

#include "apps/tiltctl_commands.h"
#include "apps/tiltctl_console.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "live/live_sampling.h"

namespace tilt::ctl {

// Nobody watches a script: a device silent this long is not coming back.
inline constexpr int kLiveSilenceSeconds = 5;

// What ends a sampling command besides Ctrl+C and a silent device.
struct LiveLimits {
    std::optional<long long> count;  // readings
    std::optional<double> seconds;
};

// The readings' lines on stdout, gathered here and handed on in batches of whole lines (stdio
// would write a terminal's lines one by one), so that writing never holds the loop up.
class LiveOutput {
  public:
    explicit LiveOutput(std::ostream& out);
    void line(const std::string& text);
    void end();

  private:
    using SteadyClock = std::chrono::steady_clock;
    std::ostream& out_;
    SteadyClock::duration flushEvery_;
    SteadyClock::time_point flushed_ = SteadyClock::now();
    std::string pending_;
};

class LiveWatch;

// One sampling command from a terminal: its link, its error reports, its output, and what ends
// it: Ctrl+C, the count, the time, or a device silent for kLiveSilenceSeconds.
class LiveRun {
  public:
    LiveRun(Context& ctx, const LiveLimits& limits);
    ~LiveRun();
    LiveRun(const LiveRun&) = delete;
    LiveRun& operator=(const LiveRun&) = delete;

    // The command's device job, its error reports naming `screen`.
    [[nodiscard]] link::JobScope job(std::string_view screen);
    [[nodiscard]] long long readings() const { return readings_; }

    // Whether the count asked for still wants readings: one more may come as the loop ends.
    [[nodiscard]] bool wantsMore() const { return !limits_.count || readings_ < *limits_.count; }

    // A reading came; `line` is what it prints (nothing for an empty line). Beyond the count it
    // is left out.
    void reading(const std::string& line);

    // At the end, a JSON object on stderr: readings, seconds, readings a second and the replies
    // asked for again (a bad cable shows there).
    void summariseAsJson() { jsonSummary_ = true; }

    // The exit code for how the loop ended, with the line that says why it stopped early.
    [[nodiscard]] int ended(live::LiveEnd end);

  private:
    Context& ctx_;
    LiveLimits limits_;
    InterruptStop interrupt_;
    std::stop_source stop_;
    std::stop_callback<std::function<void()>> onInterrupt_;
    link::DeviceLink link_;
    PrintingErrors errors_;
    LiveOutput output_;
    long long readings_ = 0;
    bool jsonSummary_ = false;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    std::unique_ptr<LiveWatch> watch_;  // last, so that its thread ends before what it stops goes
};

}  // namespace tilt::ctl
