#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "common/config_record.h"
#include "common/data_file_header.h"

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
    std::string appVersion;
    std::int16_t pageCount = 0;

    // The logger's configuration as the program last knew it.
    ConfigRecord configuration;

    // Download and data file.
    // On the steady clock: the watchdog measures silence by it, which a change of the date
    // must not upset.
    std::optional<std::chrono::nanoseconds> lastReceive;
    // What the last download read from the logger; nothing before one. Live files carry it too.
    std::optional<DataFileHeader> downloadedHeader;
    std::string dataFile;  // the data file being written
    bool saveLiveReadings = false;
    // Asked about before an erase or a launch of that logger.
    std::optional<UnfinishedDownload> unfinishedDownload;
};

}  // namespace tilt
