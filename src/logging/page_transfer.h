#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "link/clock.h"

namespace tilt::link {
class DeviceLink;
class JobScope;
}  // namespace tilt::link

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
    Completed,    // an erased page, or the last page of the memory
    Stopped,      // the user stopped it
    Failed,       // the port failed; reported to the error handler
    WriteFailed,  // a data page could not be kept; the page sink has reported it
    Silent,       // the device stayed silent longer than the caller allows
};

struct TransferResult {
    TransferEnd end = TransferEnd::Completed;
    std::int32_t downloadPage = 0;  // where it ended
    bool endOfData = false;
    double timerAdvance = 0;
    // Steady time of the last reply (this transfer's, or the one it was given).
    std::optional<link::Nanos> lastReceive;
};

struct TransferOptions {
    // The first data page to ask for: 1 for a new download, the page after the file's last
    // line to continue one. Page 0 is asked for first either way.
    std::int32_t firstPage = 1;
    std::int32_t pageCount = 2048;
    // The last reply of an earlier transfer on the link's clock: until the first reply, the
    // watchdog measures silence from there.
    std::optional<link::Nanos> lastReceive;
    // Nobody watches a transfer from a script: give up once the device has said nothing for
    // this long. Unset, the watchdog asks again for as long as it takes.
    std::optional<link::Nanos> giveUpAfterSilence;
};

// Takes one data page; false when it could not be kept, which ends the transfer.
using PageSink = std::function<bool(std::int32_t page, std::span<const std::uint8_t> bytes)>;

// The page loop: requests page after page ('d', high, low, 12 ms after each), takes a page when
// a page's worth of bytes has arrived and the line has gone quiet, asks again at once for a
// reply of the wrong length, and keeps a one-second watchdog that asks again while the device
// stays silent. The watchdog goes by the link's steady clock, so a change of the date neither
// fires it early nor holds it off. Page 0 is asked for and never handed on; every data page
// goes to `onDataPage` before the next request leaves. A continued transfer asks for page 0 as
// well, then goes on at `firstPage`: the logger may need page 0 to start its reads. Ends at the
// first erased page, after the last page, on a stop request, when the sink refuses a page, or when
// the port fails.
[[nodiscard]] TransferResult transferPages(
    const link::JobScope& job, const TransferOptions& options, const PageSink& onDataPage,
    const std::function<void(const TransferProgress&)>& onProgress);

// Single pages of the logger's memory on one opening of the port, page 0 first as every transfer
// asks it. A page that comes short or not at all is asked once more; the port is closed when the
// probe goes. Nothing is reported: a command that follows opens the port again and says why.
class PageProbe {
  public:
    explicit PageProbe(const link::JobScope& job);
    ~PageProbe();
    PageProbe(const PageProbe&) = delete;
    PageProbe& operator=(const PageProbe&) = delete;

    // Whether `page` is erased; nothing when the logger gave no whole page or the port failed
    // (then every later question gets nothing too).
    [[nodiscard]] std::optional<bool> erased(std::int32_t page);
    // The last page that holds data, given one that does (`holdsData`, at least 1): a halving
    // search, about eleven pages for the whole memory.
    [[nodiscard]] std::optional<std::int32_t> lastDataPage(std::int32_t holdsData,
                                                           std::int32_t pageCount);
    // Page requests sent so far, repeats and page 0 included.
    [[nodiscard]] int pagesAsked() const { return asked_; }

  private:
    static constexpr int kAsks = 2;
    std::optional<std::vector<std::uint8_t>> ask(std::int32_t page);

    link::DeviceLink& link_;
    bool open_ = false;
    int asked_ = 0;
};

// Whether a recording ends after `lastPage`, for a file that holds pages 1 to `lastPage` of it:
// true when that is the memory's last page or the logger's next page is erased, false when the
// next page holds data, nothing when the logger gave no whole page or the port failed (the
// transfer that may follow says so). Asks for page 0 first, as every transfer does.
[[nodiscard]] std::optional<bool> recordingEndsAfter(const link::JobScope& job,
                                                     std::int32_t lastPage, std::int32_t pageCount);

}  // namespace tilt::logging
