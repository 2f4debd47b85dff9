#include "link/query.h"

#include "common/error.h"
#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/job_scope.h"

namespace tilt::link {

QueryReply queryDevice(const JobScope& job, const std::function<void()>& send,
                       std::size_t replyBytes) {
    DeviceLink& link = job.link();
    openCommPort(job);
    if (!link.isOpen()) {
        return {.bytes = std::nullopt, .portFailed = true, .failure = {}};
    }
    QueryReply result;
    try {
        link.discardInput();
        send();
        std::vector<std::uint8_t> reply = link.readAll();
        if (reply.size() == replyBytes && !link.stopRequested()) {
            result.bytes = std::move(reply);
        }
    } catch (const Error& e) {
        result.portFailed = true;
        result.failure = e.description();
    }
    closeQuietly(link);
    return result;
}

}  // namespace tilt::link
