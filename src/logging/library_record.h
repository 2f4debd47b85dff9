#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "common/local_time.h"
#include "common/recordings_library.h"
#include "logging/download_job.h"
#include "logging/erase.h"
#include "logging/launch.h"

namespace tilt::logging {

// Puts a download that wrote a data file into the recordings library: its data file entry (one
// for a file that was continued, updated) and the events of its start and end. `readBackWhole`:
// the transfer reached the recording's end and the file read back whole. Whatever the library
// does, the download stands: what went wrong is returned in words for the user, else nothing.
[[nodiscard]] std::optional<std::string> recordDownload(
    RecordingsLibrary& library, const DownloadResult& result, bool readBackWhole,
    const std::string& program, std::chrono::system_clock::time_point started);

// Puts an erase of `erased` (nothing when the logger could not be read) into the library: how it
// ended. What went wrong is returned in words for the user, else nothing.
[[nodiscard]] std::optional<std::string> recordErase(RecordingsLibrary& library,
                                                     std::optional<std::int64_t> serial,
                                                     EraseEnd end,
                                                     std::chrono::system_clock::time_point at);

// Puts a launch of logger `serial` into the library: how it ended and, once 'X' went out, the
// new recording's moment of starting, which its dated export counts its times from.
[[nodiscard]] std::optional<std::string> recordLaunch(RecordingsLibrary& library,
                                                      std::int64_t serial,
                                                      const LaunchResult& result);

// How an erase or a launch ended, in a word or two: tiltctl's JSON summary and the library's
// events.
[[nodiscard]] std::string_view eraseEndName(EraseEnd end);
[[nodiscard]] std::string_view launchEndName(LaunchEnd end);

// How a download ended, in one word or two: tiltctl's JSON summary and the library's events.
[[nodiscard]] std::string_view downloadEndName(DownloadEnd end);

}  // namespace tilt::logging
