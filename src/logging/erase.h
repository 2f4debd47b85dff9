#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "link/clock.h"

namespace tilt::link {
class JobScope;
}

namespace tilt::logging {

// What the user is warned of before an erase.
inline constexpr std::string_view kEraseWarning = "All on-board data will be erased!";

enum class EraseEnd {
    Completed,  // 2050 progress bytes came
    Halted,     // the user stopped it; the device finishes on its own
    Failed,     // the port failed after 'e' went out; reported to the error handler
    Stalled,    // no progress byte for longer than the caller allows
    NotSent,    // the port did not open (reported by the open); nothing was sent
};

// Where an erase stands at a tick.
struct EraseProgress {
    std::size_t waiting = 0;       // progress bytes so far
    link::Nanos sinceLastByte{0};  // how long no new progress byte has come
};

struct EraseOptions {
    // Nobody watches an erase from a script: give up once no progress byte has come for this
    // long. Unset, only the user ends an erase that stalls.
    std::optional<link::Nanos> giveUpAfterSilence;
};

// What the user is told at the end of an erase (after the error handler's report, when the port
// failed): what happened, and what became of the memory.
[[nodiscard]] std::string_view eraseEndMessage(EraseEnd end);

// Erases the device's data memory: 'e', then every 500 ms the number of progress bytes waiting
// (never read) goes to `onProgress`, until 2050 have come (Completed) or the user stops it
// (Halted; nothing more is sent). A port failure goes to the error handler as
// "TimerErase_Timer" (Failed).
[[nodiscard]] EraseEnd eraseMemory(const link::JobScope& job, const EraseOptions& options,
                                   const std::function<void(const EraseProgress&)>& onProgress);

}  // namespace tilt::logging
