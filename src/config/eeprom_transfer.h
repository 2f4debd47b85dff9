#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_values.h"
#include "link/clock.h"

namespace tilt::link {
class JobScope;
}

namespace tilt::config {

enum class TransferEnd {
    Completed,
    Stopped,       // the user stopped it
    PortFailed,    // the port could not be opened or failed; reported to the error handler
    DeviceSilent,  // no reply for longer than the caller allows
};

struct CellReadProgress {
    int done = 0;          // replies taken so far
    bool waiting = false;  // the device has not answered for a while
};

struct CellReadOptions {
    // Nobody watches a script: give up once the device has not answered for this long. Unset,
    // the read waits for as long as the user lets it.
    std::optional<link::Nanos> giveUpAfterSilence;
};

struct CellReadResult {
    TransferEnd end = TransferEnd::Completed;
    std::vector<std::uint8_t> values;  // one per address read, in order
};

// Reads cells one request at a time, at the line's pace: 'r', 12 ms, the address, and the next
// request as soon as the one-byte reply is in. A chunk of any other length is dropped once the
// line is quiet and the request repeated; whatever stray byte waits when an address goes out is
// dropped first, so no reply is ever taken for the wrong cell. After a second of silence the
// device is realigned with a harmless probe and asked again. `onProgress` hears of every reply
// and of each second without one (the device is being waited for); the read ends when stopped,
// or when `giveUpAfterSilence` has passed without a good reply.
[[nodiscard]] CellReadResult readCells(
    const link::JobScope& job, std::span<const int> addresses, const CellReadOptions& options,
    const std::function<void(const CellReadProgress&)>& onProgress);

// The configuration read: the 53 steps of the map, into the read's raw array.
struct ConfigReadResult {
    TransferEnd end = TransferEnd::Completed;
    ReadArray bytes{};
};
[[nodiscard]] ConfigReadResult readConfiguration(
    const link::JobScope& job, const CellReadOptions& options,
    const std::function<void(const CellReadProgress&)>& onProgress);

// How a write of ticks ended, and how far it got: the cells of the first `ticksDone` ticks are
// in the logger.
struct TickWriteResult {
    TransferEnd end = TransferEnd::Completed;
    int ticksDone = 0;
};

// Writes one cell a tick, a tick every 500 ms, the first 500 ms after the start: 'p', 12 ms,
// the address, 12 ms, the value. An empty entry lets its tick pass without a byte. `onTick`
// hears how many ticks have passed. A port failure goes to the error handler as
// "TimerWrite_Timer".
[[nodiscard]] TickWriteResult writeTicks(const link::JobScope& job,
                                         std::span<const std::optional<CellWrite>> ticks,
                                         const std::function<void(int ticksDone)>& onTick);

// The cells of the first `ticksDone` ticks: what a write that got so far put into the logger.
[[nodiscard]] std::vector<CellWrite> cellsWritten(std::span<const std::optional<CellWrite>> ticks,
                                                  int ticksDone);

// The spacing of the ticks.
inline constexpr link::Nanos kWriteTick = link::ms(500);

// What the progress frame says, from the shared step counter: after `done` replies of the
// configuration read "Reading 3" to "Reading 55"; after `done` ticks of the configuration write
// "Writing 3" to "Writing 46".
[[nodiscard]] std::string readingCaption(int done);
[[nodiscard]] std::string writingCaption(int done);

}  // namespace tilt::config
