#include "logging/erase.h"

#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/protocol.h"
#include "shell/error.h"
#include "shell/error_reporter.h"

namespace tilt::logging {

namespace {
constexpr link::Nanos kTick = link::ms(500);
}

EraseEnd eraseMemory(link::DeviceLink& link, std::int16_t commPort, ErrorReporter& errors,
                     std::string_view window, const std::function<void(std::size_t)>& onCount) {
    EraseEnd end = EraseEnd::Failed;
    const char* source = "mnuErase_Click";
    try {
        link::OpenCommPort(link, commPort, errors, window);
        link.sendByte(link::cmd::kErase);
        source = "TimerErase_Timer";
        for (link::Nanos tick = link.now() + kTick;; tick += kTick) {
            link.clock().sleepUntil(tick, link.stopToken());
            if (link.stopRequested()) {
                end = EraseEnd::Halted;
                break;
            }
            const std::size_t waiting = link.bytesWaiting();
            if (onCount) {
                onCount(waiting);
            }
            if (waiting >= link::kEraseProgressBytes) {
                end = EraseEnd::Completed;
                break;
            }
        }
    } catch (const Error& e) {
        errors.report(e, source, window);
    }
    link::CloseCommPort(link, errors, window);
    return end;
}

}  // namespace tilt::logging
