#pragma once

#include <string>

#include "common/recording_kind.h"

namespace tilt {

// What a data file's header carries: the program's version, and what the logger says about its
// recording as a download reads it before the pages. A live file written before any download
// carries the version alone.
struct DataFileHeader {
    std::string appVersion;   // of this program, not the logger's
    RecordingMode mode{};     // EEPROM 42
    LinearChannel channel{};  // EEPROM 43
    std::string firmwareVersion;
    std::string samplingFrequency;
    double serialNumber = 0;
    std::string launchTime;  // MM/DD/YYYY hh:mm:ss
    std::string channelGains, channelOffsets, tares;
};

}  // namespace tilt
