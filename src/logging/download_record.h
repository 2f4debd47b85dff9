#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "common/recordings_library.h"
#include "logging/download_job.h"

namespace tilt::logging {

// Puts a download that wrote a data file into the recordings library: its data file entry (one
// for a file that was continued, updated) and the events of its start and end. `readBackWhole`:
// the transfer reached the recording's end and the file read back whole. Whatever the library
// does, the download stands: what went wrong is returned in words for the user, else nothing.
[[nodiscard]] std::optional<std::string> recordDownload(
    RecordingsLibrary& library, const DownloadResult& result, bool readBackWhole,
    const std::string& program, std::chrono::system_clock::time_point started);

// How a download ended, in one word or two: tiltctl's JSON summary and the library's events.
[[nodiscard]] std::string_view downloadEndName(DownloadEnd end);

// This computer's clock as ISO 8601 to the second: 2026-12-07T10:00:00.
[[nodiscard]] std::string isoLocalTime(std::chrono::system_clock::time_point when);

}  // namespace tilt::logging
