#include "logging/page_transfer.h"

#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/protocol.h"
#include "shell/error.h"
#include "shell/error_reporter.h"

namespace tilt::logging {

namespace {

constexpr link::Nanos kWatchdogPeriod = link::ms(1000);

// A reply is taken once no byte has come for this long after a page's worth arrived, so that a
// surplus byte inside a reply shows as a wrong length instead of shifting the page.
constexpr link::Nanos kReplySettle = link::ms(2);

std::int64_t wholeSeconds(std::chrono::system_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
}

// Waits for a page's worth of bytes until `deadline`, then for the line to go quiet. True when
// at least a page's worth is waiting.
bool waitForReply(link::DeviceLink& link, link::Nanos deadline) {
    if (!link.waitForBytes(link::kPageBytes, deadline)) {
        return false;
    }
    for (std::size_t seen = link.bytesWaiting(); !link.stopRequested();) {
        if (!link.waitForBytes(seen + 1, link.now() + kReplySettle)) {
            break;
        }
        seen = link.bytesWaiting();
    }
    return true;
}

class Transfer {
  public:
    Transfer(link::DeviceLink& link, const TransferOptions& options,
             const std::function<void(std::int32_t, std::span<const std::uint8_t>)>& onDataPage,
             const std::function<void(const TransferProgress&)>& onProgress,
             std::optional<std::chrono::system_clock::time_point>& lastReceiveTime)
        : link_(link),
          options_(options),
          onDataPage_(onDataPage),
          onProgress_(onProgress),
          lastReceive_(lastReceiveTime) {
        progress_.page = options.firstPage;
    }

    // Runs until the memory is read or the transfer is stopped.
    TransferEnd run() {
        nextTick_ = link_.now() + kWatchdogPeriod;
        link::requestPage(link_, progress_.page);
        while (!link_.stopRequested()) {
            if (waitForReply(link_, nextTick_)) {
                if (received()) {
                    return TransferEnd::Completed;
                }
            } else if (!link_.stopRequested()) {
                tick();
            }
        }
        return TransferEnd::Stopped;
    }

    [[nodiscard]] TransferResult result(TransferEnd end) const {
        return {end, progress_.page, endOfData_, progress_.timerAdvance};
    }

  private:
    // One reply: true when the transfer is complete.
    bool received() {
        lastReceive_ = link_.clock().wallNow();
        const auto& bytes = link_.readAll();
        progress_.lastCount = bytes.size();
        progress_.warning = false;
        progress_.pageArrived = false;
        if (bytes.size() != link::kPageBytes) {
            report();
            link::requestPage(link_, progress_.page);
            return false;
        }
        if (progress_.page != 0) {
            if (link::isErasedPage(bytes)) {
                endOfData_ = true;
                report();
                return true;
            }
            onDataPage_(progress_.page, bytes);
            progress_.pageArrived = true;
        }
        ++progress_.page;
        report();
        if (progress_.page > options_.pageCount - 1) {
            return true;
        }
        link::requestPage(link_, progress_.page);
        return false;
    }

    void tick() {
        ++progress_.timerAdvance;
        progress_.pageArrived = false;
        const bool silent = !lastReceive_ ||
                            wholeSeconds(link_.clock().wallNow()) - wholeSeconds(*lastReceive_) > 1;
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
    const std::function<void(std::int32_t, std::span<const std::uint8_t>)>& onDataPage_;
    const std::function<void(const TransferProgress&)>& onProgress_;
    std::optional<std::chrono::system_clock::time_point>& lastReceive_;
    TransferProgress progress_;
    link::Nanos nextTick_{0};
    bool endOfData_ = false;
};

}  // namespace

TransferResult transferPages(
    link::DeviceLink& link, std::int16_t commPort, ErrorReporter& errors,
    const TransferOptions& options,
    const std::function<void(std::int32_t, std::span<const std::uint8_t>)>& onDataPage,
    const std::function<void(const TransferProgress&)>& onProgress,
    std::optional<std::chrono::system_clock::time_point>& lastReceiveTime) {
    Transfer transfer(link, options, onDataPage, onProgress, lastReceiveTime);
    TransferEnd end = TransferEnd::Failed;
    try {
        link::OpenCommPort(link, commPort, errors, options.window);
        end = transfer.run();
    } catch (const Error& e) {
        errors.report(e, "MSComm1_OnComm", options.window);
    }
    link::CloseCommPort(link, errors, options.window);
    return transfer.result(end);
}

}  // namespace tilt::logging
