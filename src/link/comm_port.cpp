#include "link/comm_port.h"

#include "common/error.h"
#include "common/error_reporter.h"
#include "link/device_link.h"
#include "link/job_scope.h"

namespace tilt::link {

void openCommPort(const JobScope& job) {
    DeviceLink& link = job.link();
    try {
        if (!link.isOpen()) {
            link.setPort(job.commPort());
            link.open();
        }
    } catch (const Error& e) {
        job.errors().report(e, "OpenCommPort", job.caller());
    }
}

void closeCommPort(const JobScope& job) {
    try {
        job.link().close();
    } catch (const Error& e) {
        job.errors().report(e, "CloseCommPort", job.caller());
    }
}

void closeQuietly(DeviceLink& link) {
    try {
        link.close();
    } catch (const Error&) {
    }
}

bool exchangeOnPort(const JobScope& job, const std::string_view& procedure,
                    const std::function<void()>& exchange) {
    openCommPort(job);
    if (!job.link().isOpen()) {
        return false;
    }
    bool exchanged = true;
    try {
        exchange();
    } catch (const Error& e) {
        job.report(e, procedure);
        exchanged = false;
    }
    closeCommPort(job);
    return exchanged;
}

}  // namespace tilt::link
