#include "device/recording_file.h"

#include <optional>

#include "common/error.h"
#include "common/error_reporter.h"
#include "device/sim_transport.h"
#include "link/clock.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/protocol.h"
#include "logging/data_file.h"
#include "logging/download_job.h"

namespace tilt::device {

namespace {

// Any report ends the download: a recording made for a picture must be whole.
class ThrowingErrors final : public ErrorReporter {
  public:
    void handleError(std::int32_t number, std::string_view, std::string_view,
                     std::string_view description) override {
        throw Error(number, std::string(description));
    }
};

constexpr const char* kAppVersion = "3.2.4";

}  // namespace

void downloadSimulatedRecording(SimOptions options, const std::string& file) {
    options.keepRxLog = false;
    link::SimClock clock;
    SimPortCatalogue catalogue(clock);
    const auto port = static_cast<std::int16_t>(catalogue.addDevice(options));
    link::DeviceLink link(catalogue);
    link.setPort(port);
    ThrowingErrors errors;

    logging::DownloadRequest request;
    request.appVersion = kAppVersion;
    request.file = file;
    logging::ReplacingDownload frontEnd;
    const auto result = logging::runDownload(link::JobScope(link, port, errors, "DownloadErase"),
                                             request, frontEnd);
    if (result.end == logging::DownloadEnd::ParametersFailed) {
        throw Error(errc::kPortIo,
                    std::string(logging::parameterFailureMessage(*result.failedStep)));
    }
    if (result.end != logging::DownloadEnd::Completed) {
        throw Error(errc::kPortIo, "The simulated download ended before page " +
                                       std::to_string(result.transfer.downloadPage));
    }
}

}  // namespace tilt::device
