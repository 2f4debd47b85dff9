#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "config/config_record.h"

namespace tilt {

// A download of this run of the program that ended before the end of the recording and has not
// been completed since: the pages after `pagesInFile` are only on the logger.
struct UnfinishedDownload {
    double serialNumber = 0;  // of the logger it came from
    std::string file;
    std::int32_t pagesInFile = 0;
};

// The program-wide variables. Owned by the user-interface thread: operations take what they
// need as arguments and hand their results back, and the window that started them writes the
// results here. Everything starts at 0, empty or false.
struct AppState {
    // Program and serial line.
    std::int16_t commPort = 0;  // 0: none chosen
    std::string AppVersion;
    std::int16_t PageCount = 0;

    // The newest live readings: accelerometer counts, and the angles in degrees with the signed
    // counts of their words.
    double accelerationX = 0, accelerationY = 0, accelerationZ = 0;
    double angleCountX = 0, angleCountY = 0;
    double angleX = 0, angleY = 0;

    // The logger's configuration as the program last knew it.
    config::ConfigRecord configuration;

    // Where a configuration read or write has got to: its step, or the calibration's cell.
    std::int16_t transferStep = 0;

    // Download, data file and graph hand-off.
    std::int32_t DownloadPage = 0;
    bool EndOfData = false;
    // On the steady clock: the watchdog measures silence by it, which a change of the date
    // must not upset.
    std::optional<std::chrono::nanoseconds> LastReceiveTime;
    double TimerAdvance = 0;
    std::string FirmwareVersion, SamplingFrequency;
    double SerialNumber = 0;
    std::string LaunchTime;
    std::string ChannelGains, ChannelOffsets, Tares;
    std::string DataFileName;
    std::string PageLine;
    bool SaveLiveReadings = false;
    bool GraphAfterDownload = false;
    std::string GraphFileName;
    // Asked about before an erase or a launch of that logger.
    std::optional<UnfinishedDownload> unfinishedDownload;
};

}  // namespace tilt
