#include "logging/launch.h"

#include <algorithm>
#include <ctime>

#include "link/byte_split.h"
#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/protocol.h"
#include "shell/error.h"
#include "shell/error_reporter.h"
#include "shell/rounding.h"

namespace tilt::logging {

namespace {
constexpr const char* kWindow = "Main";
constexpr int kFirstLaunchCell = 103;
constexpr std::int32_t kEraseLeadMs = 1000;
constexpr link::Nanos kTick = link::ms(250);
constexpr double kLastPage = 2047;
}  // namespace

LaunchStamp launchStampOf(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    return {local.tm_mday, local.tm_year + 1900, local.tm_hour,
            local.tm_min,  local.tm_sec,         local.tm_mon + 1};
}

std::string_view launchEndMessage(LaunchEnd end) {
    switch (end) {
        case LaunchEnd::Launched:
            return "Disconnect the serial cable from the Tiltavarometer! The shaker will shake "
                   "momentarily indicating that datalogging has begun.";
        case LaunchEnd::LaunchTimeFailed:
            return "Launch Time write to EEPROM failed! Launch did not occur.";
        case LaunchEnd::Failed:
            return "Tiltavarometer failed to launch!";
        case LaunchEnd::TickFailed:
        case LaunchEnd::PortLost:
            break;
    }
    return {};
}

double erasedPagesOf(double erasedByteCount) {
    return std::min(roundHalfEven(erasedByteCount / 3), kLastPage);
}

bool WriteLaunchTime(link::DeviceLink& link, std::int16_t commPort, ErrorReporter& errors,
                     const LaunchStamp& stamp) {
    try {
        const int values[] = {stamp.day,
                              link::ValueToMSB(stamp.year, errors),
                              link::ValueToLSB(static_cast<std::int16_t>(stamp.year)),
                              stamp.hour,
                              stamp.minute,
                              stamp.second,
                              stamp.month};
        link::OpenCommPort(link, commPort, errors, kWindow);
        int address = kFirstLaunchCell;
        for (const int value : values) {
            link::requestWriteByte(link, address++, value);
            link.Delay(link::kArgumentPauseMs);
        }
        link.close();
        return !link.stopRequested();
    } catch (const Error& e) {
        if (e.number() == errc::kPortLost) {
            throw;
        }
        return false;
    }
}

LaunchEnd launchLogging(link::DeviceLink& link, std::int16_t commPort, ErrorReporter& errors,
                        const LaunchProgress& onProgress) {
    // A pulled adapter is told as itself, once, not as a launch that failed for no reason given.
    const auto portLost = [&](const Error& e, std::string_view source) {
        errors.report(e, source, kWindow);
        link::CloseCommPort(link, errors, kWindow);
        return LaunchEnd::PortLost;
    };
    try {
        if (!WriteLaunchTime(link, commPort, errors, launchStampOf(link.clock().wallNow()))) {
            return LaunchEnd::LaunchTimeFailed;
        }
    } catch (const Error& e) {
        return portLost(e, "WriteLaunchTime");
    }
    try {
        link::OpenCommPort(link, commPort, errors, kWindow);
        link.sendByte(link::cmd::kErase);
        link.Delay(kEraseLeadMs);
        link.sendByte(link::cmd::kStartLogging);
    } catch (const Error& e) {
        if (e.number() == errc::kPortLost) {
            return portLost(e, "mnuLaunch_Click");
        }
        link::CloseCommPort(link, errors, kWindow);
        return LaunchEnd::Failed;
    }
    double erasedByteCount = 0;
    LaunchEnd end = LaunchEnd::Launched;
    try {
        for (link::Nanos tick = link.now() + kTick; !link.stopRequested(); tick += kTick) {
            link.clock().sleepUntil(tick, link.stopToken());
            const std::size_t n = link.readAll().size();
            if (n <= 3) {
                break;
            }
            erasedByteCount += static_cast<double>(n) - 2;
            if (onProgress) {
                onProgress(erasedPagesOf(erasedByteCount));
            }
        }
    } catch (const Error& e) {
        errors.report(e, "Timer1_Timer", kWindow);
        end = LaunchEnd::TickFailed;
    }
    link::CloseCommPort(link, errors, kWindow);
    return end;
}

}  // namespace tilt::logging
