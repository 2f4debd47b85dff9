#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "logging/data_file.h"
#include "logging/page_transfer.h"

namespace tilt::logging {

// Where a download writes: the data file, and the page to ask for first (0 for a new file; the
// page after its last complete line when a cut-off download is resumed).
struct DownloadTarget {
    std::string dataFileName;
    std::int32_t firstPage = 0;
};

// What `file` holds when it is a cut-off download of the same recording: its header lines 3 to
// 12 are those `header` gives. Nothing when it is something else.
[[nodiscard]] std::optional<PartialDownload> partialDownloadOf(const std::string& file,
                                                               const DataFileHeader& header);

// Readies a partial download to go on: drops a cut-off last line and gives the page to ask
// for next. Nothing when the file cannot be shortened.
[[nodiscard]] std::optional<std::int32_t> prepareResume(const std::string& file,
                                                        const PartialDownload& partial);

// The device-thread part of a download: every data page goes into the file as its page line
// (on disk before the next request), and a completed linear download gets its CSV file.
[[nodiscard]] TransferResult downloadIntoFile(
    link::DeviceLink& link, std::int16_t commPort, ErrorReporter& errors,
    const DataFileHeader& header, const DownloadTarget& target, std::int32_t pageCount,
    const std::function<void(const TransferProgress&)>& onProgress,
    std::optional<std::chrono::system_clock::time_point>& lastReceiveTime);

}  // namespace tilt::logging
