#include "logging/launch.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "common/error.h"
#include "common/error_reporter.h"
#include "common/local_time.h"
#include "common/rounding.h"
#include "link/byte_split.h"
#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/protocol.h"

namespace tilt::logging {

namespace {
constexpr int kFirstLaunchCell = 103;
constexpr std::int32_t kEraseLeadMs = 1000;
constexpr link::Nanos kTick = link::ms(250);
constexpr double kLastPage = 2047;
constexpr std::size_t kPages = 2048;
}  // namespace

LaunchStamp launchStampOf(std::chrono::system_clock::time_point when) {
    const std::tm local = localTime(when);
    return {local.tm_mday, local.tm_year + 1900, local.tm_hour,
            local.tm_min,  local.tm_sec,         local.tm_mon + 1};
}

std::string launchEndMessage(const LaunchResult& result) {
    std::string message;
    switch (result.end) {
        case LaunchEnd::Launched:
            message =
                "Disconnect the serial cable from the Tiltavarometer! The shaker will shake "
                "momentarily indicating that datalogging has begun.";
            // Progress that stopped half-way: a logger that hung, or a cable that broke.
            if (result.progressBytes > 0 && result.progressBytes < link::kEraseProgressBytes) {
                // About one progress byte comes for each page erased.
                const std::size_t page = std::min<std::size_t>(result.progressBytes, kPages);
                message += "\r\nThe logger's erase stopped at about page " + std::to_string(page) +
                           " of " + std::to_string(kPages) +
                           ", and it fell silent. If the shaker does not shake, connect again "
                           "and check the logger before you leave it.";
            }
            return message;
        case LaunchEnd::LaunchTimeFailed:
            message = "Launch Time write to EEPROM failed! Launch did not occur.";
            break;
        case LaunchEnd::Failed:
            message = "Tiltavarometer failed to launch!";
            break;
        case LaunchEnd::TickFailed:
            break;
    }
    if (!result.portLost) {
        return message;
    }
    if (!message.empty()) {
        message += "\r\n";
    }
    if (!result.eraseSent) {
        return message +
               "The connection to the logger was lost before the erase: its memory was not "
               "erased. Check the cable, connect again, then launch again.";
    }
    if (!result.loggingSent) {
        return message +
               "The connection to the logger was lost after the erase command: its memory is "
               "erased, and it is not logging. Check the cable, connect again, then launch "
               "again.";
    }
    return message +
           "The connection to the logger was lost during the erase, after it was told to start "
           "logging: it logs once its erase is done. Connect again to check it before you leave "
           "it.";
}

double erasedPagesOf(double erasedByteCount) {
    return std::min(roundHalfEven(erasedByteCount / 3), kLastPage);
}

std::string launchTimeText(const LaunchStamp& s) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%d %02d:%02d:%02d", s.month, s.day, s.year, s.hour,
                  s.minute, s.second);
    return text;
}

bool writeLaunchTime(const link::JobScope& job, const LaunchStamp& stamp, bool* portLost) {
    link::DeviceLink& link = job.link();
    try {
        const int values[] = {stamp.day,
                              link::valueToMsb(stamp.year, job.errors()),
                              link::valueToLsb(static_cast<std::int16_t>(stamp.year)),
                              stamp.hour,
                              stamp.minute,
                              stamp.second,
                              stamp.month};
        link::openCommPort(job);
        int address = kFirstLaunchCell;
        for (const int value : values) {
            link::requestWriteByte(link, address++, value);
            link.delay(link::kArgumentPauseMs);
        }
        link.close();
        return !link.stopRequested();
    } catch (const Error& e) {
        if (portLost) {
            *portLost = e.number() == errc::kPortLost;
        }
        return false;
    }
}

LaunchResult launchLogging(const link::JobScope& job, const LaunchProgress& onProgress) {
    link::DeviceLink& link = job.link();
    LaunchResult result;
    result.stamp = launchStampOf(link.clock().wallNow());
    if (!writeLaunchTime(job, result.stamp, &result.portLost)) {
        result.end = LaunchEnd::LaunchTimeFailed;
        link::closeQuietly(link);  // the stamp leaves the port as it was; the launch ends here
        return result;
    }
    try {
        link::openCommPort(job);
        link.sendByte(link::cmd::kErase);
        result.eraseSent = true;
        link.delay(kEraseLeadMs);
        link.sendByte(link::cmd::kStartLogging);
        result.loggingSent = true;
        result.loggingSentAt = link.clock().wallNow();
    } catch (const Error& e) {
        // The launch's own failure: the user hears it from the launch, not from the handler.
        result.portLost = e.number() == errc::kPortLost;
        result.end = LaunchEnd::Failed;
        link::closeQuietly(link);
        return result;
    }
    double erasedByteCount = 0;
    try {
        for (link::Nanos tick = link.now() + kTick; !link.stopRequested(); tick += kTick) {
            link.clock().sleepUntil(tick, link.stopToken());
            const std::size_t n = link.readAll().size();
            result.progressBytes += n;
            if (n <= 3) {
                break;
            }
            erasedByteCount += static_cast<double>(n) - 2;
            if (onProgress) {
                onProgress(erasedPagesOf(erasedByteCount));
            }
        }
    } catch (const Error& e) {
        job.report(e, "Timer1_Timer");
        result.portLost = e.number() == errc::kPortLost;
        result.end = LaunchEnd::TickFailed;
    }
    link::closeCommPort(job);
    return result;
}

}  // namespace tilt::logging
