#include "logging/erase.h"

#include "common/error.h"
#include "common/error_reporter.h"
#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/protocol.h"

namespace tilt::logging {

namespace {
constexpr link::Nanos kTick = link::ms(500);
}

std::string_view eraseEndMessage(EraseEnd end) {
    switch (end) {
        case EraseEnd::Completed:
            return "Erase completed!";
        case EraseEnd::Halted:
            return "Erase halted by user! Erase may not be complete.";
        case EraseEnd::Stalled:
            return "The logger stopped answering; the erase may not be complete.";
        case EraseEnd::Failed:
            return "The connection to the logger failed during the erase; the erase may not be "
                   "complete. Check the cable, then erase again.";
        case EraseEnd::NotSent:
            break;
    }
    return "The erase did not start: nothing was sent to the logger, and its memory is as it "
           "was.";
}

EraseEnd eraseMemory(const link::JobScope& job, const EraseOptions& options,
                     const std::function<void(const EraseProgress&)>& onProgress) {
    link::DeviceLink& link = job.link();
    EraseEnd end = EraseEnd::Failed;
    const char* source = "mnuErase_Click";
    try {
        link::openCommPort(job);
        if (!link.isOpen()) {
            return EraseEnd::NotSent;  // reported by the open
        }
        link.sendByte(link::cmd::kErase);
        source = "TimerErase_Timer";
        EraseProgress progress;
        link::Nanos lastByte = link.now();
        for (link::Nanos tick = link.now() + kTick;; tick += kTick) {
            link.clock().sleepUntil(tick, link.stopToken());
            if (link.stopRequested()) {
                end = EraseEnd::Halted;
                break;
            }
            const std::size_t waiting = link.bytesWaiting();
            if (waiting > progress.waiting) {
                lastByte = link.now();
            }
            progress = {waiting, link.now() - lastByte};
            if (onProgress) {
                onProgress(progress);
            }
            if (waiting >= link::kEraseProgressBytes) {
                end = EraseEnd::Completed;
                break;
            }
            if (options.giveUpAfterSilence &&
                progress.sinceLastByte >= *options.giveUpAfterSilence) {
                end = EraseEnd::Stalled;
                break;
            }
        }
    } catch (const Error& e) {
        job.report(e, source);
    }
    link::closeCommPort(job);
    return end;
}

}  // namespace tilt::logging
