#include "logging/page_transfer.h"

#include <algorithm>

#include "common/error.h"
#include "common/error_reporter.h"
#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/protocol.h"
#include "link/quiet_line.h"

namespace tilt::logging {

namespace {

constexpr link::Nanos kWatchdogPeriod = link::ms(1000);

// A reply is taken once no byte has come for this long after a page's worth arrived, so that a
// surplus byte inside a reply shows as a wrong length instead of shifting the page.
constexpr link::Nanos kReplySettle = link::ms(2);
// A line that never goes quiet is taken as it stands after this long; the reply's length then
// tells.
constexpr link::Nanos kSettleBound = link::ms(1000);

// The watchdog compares whole seconds, as a clock of one-second resolution would: a re-request
// comes one to three seconds after the last reply.
std::int64_t wholeSeconds(link::Nanos t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t).count();
}

// Waits for a page's worth of bytes until `deadline`, then for the line to go quiet. True when
// at least a page's worth is waiting.
bool waitForReply(link::DeviceLink& link, link::Nanos deadline) {
    if (!link.waitForBytes(link::kPageBytes, deadline)) {
        return false;
    }
    link::waitForQuietLine(link, kReplySettle, kSettleBound);
    return true;
}

class Transfer {
  public:
    Transfer(link::DeviceLink& link, const TransferOptions& options, const PageSink& onDataPage,
             const std::function<void(const TransferProgress&)>& onProgress)
        : link_(link),
          options_(options),
          onDataPage_(onDataPage),
          onProgress_(onProgress),
          lastReceive_(options.lastReceive) {
        progress_.page = 0;
    }

    // Runs until the memory is read, the transfer is stopped or a page cannot be kept.
    TransferEnd run() {
        const link::Nanos start = link_.now();
        nextTick_ = start + kWatchdogPeriod;
        link::requestPage(link_, progress_.page);
        while (!link_.stopRequested()) {
            if (waitForReply(link_, nextTick_)) {
                if (const auto end = received()) {
                    return *end;
                }
            } else if (!link_.stopRequested()) {
                if (tooLongSilent(start)) {
                    return TransferEnd::Silent;
                }
                tick();
            }
        }
        return TransferEnd::Stopped;
    }

    [[nodiscard]] TransferResult result(TransferEnd end) const {
        return {end, progress_.page, endOfData_, progress_.timerAdvance, lastReceive_};
    }

  private:
    // One reply: how the transfer ends, or nothing while it goes on.
    std::optional<TransferEnd> received() {
        lastReceive_ = link_.now();
        const auto& bytes = link_.readAll();
        progress_.lastCount = bytes.size();
        progress_.warning = false;
        progress_.pageArrived = false;
        if (bytes.size() != link::kPageBytes) {
            report();
            link::requestPage(link_, progress_.page);
            return std::nullopt;
        }
        if (progress_.page != 0) {
            if (link::isErasedPage(bytes)) {
                endOfData_ = true;
                report();
                return TransferEnd::Completed;
            }
            if (!onDataPage_(progress_.page, bytes)) {
                return TransferEnd::WriteFailed;
            }
            progress_.pageArrived = true;
        }
        progress_.page = progress_.page == 0 ? std::max(options_.firstPage, 1) : progress_.page + 1;
        report();
        if (progress_.page > options_.pageCount - 1) {
            return TransferEnd::Completed;
        }
        link::requestPage(link_, progress_.page);
        return std::nullopt;
    }

    [[nodiscard]] bool tooLongSilent(link::Nanos start) const {
        if (!options_.giveUpAfterSilence) {
            return false;
        }
        const link::Nanos since = lastReceive_ && *lastReceive_ > start ? *lastReceive_ : start;
        return link_.now() - since >= *options_.giveUpAfterSilence;
    }

    void tick() {
        ++progress_.timerAdvance;
        progress_.pageArrived = false;
        const bool silent =
            !lastReceive_ || wholeSeconds(link_.now()) - wholeSeconds(*lastReceive_) > 1;
        progress_.warning = silent;
        report();
        if (silent) {
            link::requestPage(link_, progress_.page);
            nextTick_ = link_.now() + kWatchdogPeriod;
        } else {
            nextTick_ += kWatchdogPeriod;
        }
    }

    void report() {
        if (onProgress_) {
            onProgress_(progress_);
        }
    }

    link::DeviceLink& link_;
    const TransferOptions& options_;
    const PageSink& onDataPage_;
    const std::function<void(const TransferProgress&)>& onProgress_;
    std::optional<link::Nanos> lastReceive_;
    TransferProgress progress_;
    link::Nanos nextTick_{0};
    bool endOfData_ = false;
};

}  // namespace

TransferResult transferPages(const link::JobScope& job, const TransferOptions& options,
                             const PageSink& onDataPage,
                             const std::function<void(const TransferProgress&)>& onProgress) {
    link::DeviceLink& link = job.link();
    Transfer transfer(link, options, onDataPage, onProgress);
    TransferEnd end = TransferEnd::Failed;
    try {
        link::openCommPort(job);
        if (link.isOpen()) {
            end = transfer.run();
        }
    } catch (const Error& e) {
        job.report(e, "MSComm1_OnComm");
    }
    link::closeCommPort(job);
    return transfer.result(end);
}

PageProbe::PageProbe(const link::JobScope& job) : link_(job.link()) {
    try {
        link_.setPort(job.commPort());
        link_.open();
        link_.discardInput();
        open_ = ask(0).has_value();
    } catch (const Error&) {
        open_ = false;  // the command that may follow opens the port again and reports it
    }
}

PageProbe::~PageProbe() {
    link::closeQuietly(link_);
}

std::optional<std::vector<std::uint8_t>> PageProbe::ask(std::int32_t page) {
    for (int ask = 0; ask < kAsks && !link_.stopRequested(); ++ask) {
        link::requestPage(link_, page);
        ++asked_;
        if (waitForReply(link_, link_.now() + kWatchdogPeriod)) {
            auto bytes = link_.readAll();
            if (bytes.size() == link::kPageBytes) {
                return bytes;
            }
        }
        link::waitForQuietLine(link_, kReplySettle, kSettleBound);
        link_.discardInput();
    }
    return std::nullopt;
}

std::optional<bool> PageProbe::erased(std::int32_t page) {
    if (!open_) {
        return std::nullopt;
    }
    try {
        if (const auto bytes = ask(page)) {
            return link::isErasedPage(*bytes);
        }
    } catch (const Error&) {
    }
    open_ = false;
    return std::nullopt;
}

std::optional<std::int32_t> PageProbe::lastDataPage(std::int32_t holdsData,
                                                    std::int32_t pageCount) {
    std::int32_t low = std::max(holdsData, 1);
    std::int32_t high = pageCount;  // the first page known to be erased, or past the memory
    while (high - low > 1) {
        const std::int32_t middle = low + (high - low) / 2;
        const auto empty = erased(middle);
        if (!empty) {
            return std::nullopt;
        }
        (*empty ? high : low) = middle;
    }
    return low;
}

std::optional<bool> recordingEndsAfter(const link::JobScope& job, std::int32_t lastPage,
                                       std::int32_t pageCount) {
    if (lastPage >= pageCount - 1) {
        return true;
    }
    PageProbe probe(job);
    return probe.erased(lastPage + 1);
}

}  // namespace tilt::logging
