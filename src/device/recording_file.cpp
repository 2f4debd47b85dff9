#include "device/recording_file.h"

#include <optional>

#include "device/sim_transport.h"
#include "link/clock.h"
#include "link/device_link.h"
#include "link/protocol.h"
#include "logging/data_file.h"
#include "logging/download_parameters.h"
#include "logging/download_session.h"
#include "shell/error.h"
#include "shell/error_reporter.h"

namespace tilt::device {

namespace {

// Any report ends the download: a recording made for a picture must be whole.
class ThrowingErrors final : public ErrorReporter {
  public:
    void SimpleErrorHandler(std::int32_t number, std::string_view, std::string_view,
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

    const auto outcome = logging::GetDownloadParameters(link, port, errors, "DownloadErase", '.');
    if (outcome.failed) {
        throw Error(errc::kPortIo, std::string(logging::parameterFailureMessage(*outcome.failed)));
    }
    const auto header = logging::dataFileHeaderOf(outcome.parameters, kAppVersion);
    logging::writeDataFileHeader(file, logging::kDownloadPages, header);
    std::optional<std::chrono::system_clock::time_point> lastReceive;
    const auto result =
        logging::downloadIntoFile(link, port, errors, header, {file, 0}, link::kDevicePageCount,
                                  /*onProgress=*/{}, lastReceive);
    if (result.end != logging::TransferEnd::Completed) {
        throw Error(errc::kPortIo, "The simulated download ended before page " +
                                       std::to_string(result.DownloadPage));
    }
}

}  // namespace tilt::device
