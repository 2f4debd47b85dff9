#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tilt::link {
class JobScope;
}

namespace tilt::logging {

// The launch time cells in the order they are written: 103 day, 104/105 year, 106 hour,
// 107 minute, 108 second, 109 month.
struct LaunchStamp {
    int day = 0, year = 0, hour = 0, minute = 0, second = 0, month = 0;
};
[[nodiscard]] LaunchStamp launchStampOf(std::chrono::system_clock::time_point when);
// The stamp as a data file's header and the library give it: "MM/DD/YYYY hh:mm:ss".
[[nodiscard]] std::string launchTimeText(const LaunchStamp& stamp);

// Writes the stamp into EEPROM 103..109 ('p', 12 ms, address, 12 ms, value, 12 ms each) and
// closes the port. False when anything failed on the way (the port is then left as it is); a lost
// port sets `portLost`.
[[nodiscard]] bool writeLaunchTime(const link::JobScope& job, const LaunchStamp& stamp,
                                   bool* portLost = nullptr);

// The screen a launch is started from, wherever it runs: the error log names the main window.
inline constexpr std::string_view kLaunchScreen = "Main";

// What the user is warned of before a launch.
inline constexpr std::string_view kLaunchWarning =
    "Tiltavarometer will erase all on-board data before launch!";

enum class LaunchEnd {
    Launched,          // the erase ran out and logging has begun
    LaunchTimeFailed,  // nothing was erased
    Failed,            // "Tiltavarometer failed to launch!"
    TickFailed,        // reported to the error handler as "Timer1_Timer"
};

// How far a launch got, for what the user is told at its end.
struct LaunchResult {
    LaunchEnd end = LaunchEnd::Launched;
    bool portLost = false;          // the adapter was pulled out on the way
    bool eraseSent = false;         // 'e' went out: the logger's memory is erased, or being erased
    bool loggingSent = false;       // 'X' went out too: the logger logs once its erase is done
    std::size_t progressBytes = 0;  // erase progress bytes that came, in all
    LaunchStamp stamp;              // the launch time written, once it was
    std::chrono::system_clock::time_point loggingSentAt{};  // when 'X' went out
};

// What the user is told at the end of a launch: the launch's own message, and for a lost port a
// line that says what became of the logger's memory. After a failure the error handler reported
// (a tick's), only that line. A launch whose erase progress stopped short of a whole erase says
// so after its message.
[[nodiscard]] std::string launchEndMessage(const LaunchResult& result);

// Erase progress of a launch: the page the erase has reached (0..2047).
using LaunchProgress = std::function<void(double erasedPages)>;

// The launch: stamp the time, open the port, 'e', 1000 ms, 'X', then every 250 ms count the
// progress bytes that came (n of them add n - 2 to the count, the page shown is a third of it);
// a tick with 3 bytes or fewer ends it. A failure before the ticks, a lost port included, is the
// launch's own (no report to the error handler); one in a tick is reported as "Timer1_Timer".
[[nodiscard]] LaunchResult launchLogging(const link::JobScope& job,
                                         const LaunchProgress& onProgress);

// The page an erased byte count stands for: a third of it, ties to even, at most 2047.
[[nodiscard]] double erasedPagesOf(double erasedByteCount);

}  // namespace tilt::logging
