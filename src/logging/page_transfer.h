#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace tilt {
class ErrorReporter;
}
namespace tilt::link {
class DeviceLink;
}

namespace tilt::logging {

// Where a transfer stands, for the window.
struct TransferProgress {
    std::int32_t page = 0;      // the page being requested
    std::size_t lastCount = 0;  // bytes of the last reply
    double timerAdvance = 0;    // watchdog ticks so far
    bool warning = false;       // "Comm failure: attempting re-sample" is showing
    bool pageArrived = false;   // this report follows a good page
};

enum class TransferEnd {
    Completed,  // an erased page, or the last page of the memory
    Stopped,    // the user stopped it
    Failed,     // the port failed; reported to the error handler
};

struct TransferResult {
    TransferEnd end = TransferEnd::Completed;
    std::int32_t DownloadPage = 0;  // where it ended
    bool EndOfData = false;
    double TimerAdvance = 0;
};

struct TransferOptions {
    std::int32_t firstPage = 0;  // 0 for a new download; the page after the last line to resume
    std::int32_t pageCount = 2048;
    std::string_view window = "DownloadErase";
};

// The page loop: requests page after page ('d', high, low, 12 ms after each), takes a page when
// a page's worth of bytes has arrived and the line has gone quiet, asks again at once for a
// reply of the wrong length, and keeps a one-second watchdog that asks again while the device
// stays silent. Page 0 is asked for and never handed on; every data page goes to `onDataPage`
// before the next request leaves. Ends at the first erased page, after the last page, on a stop
// request, or when the port fails. `lastReceiveTime` carries the time of the last reply across
// transfers, as the watchdog compares against it.
[[nodiscard]] TransferResult transferPages(
    link::DeviceLink& link, std::int16_t commPort, ErrorReporter& errors,
    const TransferOptions& options,
    const std::function<void(std::int32_t page, std::span<const std::uint8_t> bytes)>& onDataPage,
    const std::function<void(const TransferProgress&)>& onProgress,
    std::optional<std::chrono::system_clock::time_point>& lastReceiveTime);

}  // namespace tilt::logging
