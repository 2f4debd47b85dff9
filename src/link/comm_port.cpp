#include "link/comm_port.h"

#include "common/error.h"
#include "common/error_reporter.h"
#include "link/device_link.h"

namespace tilt::link {

void OpenCommPort(DeviceLink& link, std::int16_t commPort, ErrorReporter& errors,
                  std::string_view window) {
    try {
        if (!link.isOpen()) {
            link.setPort(commPort);
            link.open();
        }
    } catch (const Error& e) {
        errors.report(e, "OpenCommPort", window);
    }
}

void CloseCommPort(DeviceLink& link, ErrorReporter& errors, std::string_view window) {
    try {
        link.close();
    } catch (const Error& e) {
        errors.report(e, "CloseCommPort", window);
    }
}

void closeQuietly(DeviceLink& link) {
    try {
        link.close();
    } catch (const Error&) {
    }
}

bool exchangeOnPort(DeviceLink& link, std::int16_t commPort, ErrorReporter& errors,
                    std::string_view window, const std::string_view& procedure,
                    const std::function<void()>& exchange) {
    OpenCommPort(link, commPort, errors, window);
    if (!link.isOpen()) {
        return false;
    }
    bool exchanged = true;
    try {
        exchange();
    } catch (const Error& e) {
        errors.report(e, procedure, window);
        exchanged = false;
    }
    CloseCommPort(link, errors, window);
    return exchanged;
}

}  // namespace tilt::link
