#pragma once

#include <cstdint>
#include <string>

#include "logging/download_job.h"
#include "shell/app_state.h"
#include "shell/messages.h"

namespace tilt::logging {

// What the front ends tell the user about a download, in the same words in the window and in
// tiltctl; each adds how to go on in its own terms.

// What happened to a download that ended before the end of the recording, in one sentence:
// "The logger stopped answering at page 813." Empty for a download that completed.
[[nodiscard]] std::string downloadEndedEarlyText(const DownloadResult& result);

// What the data file keeps: "/data/walk.tlg keeps pages 1 to 812."
[[nodiscard]] std::string keptPagesText(const std::string& file, std::int32_t pagesInFile);

// Whether the download ended with pages of the recording left on the logger that no file holds.
[[nodiscard]] bool leftPagesBehind(const DownloadResult& result);

// The warning before a command that erases the logger while a download of its recording is
// unfinished: which file, and which pages are only on the logger.
[[nodiscard]] std::string unfinishedDownloadWarning(const std::string& file,
                                                    std::int32_t pagesInFile);

// The question before a command that erases the logger's memory (`warning` is the launch's or
// the erase's); true on Yes. While a download of the logger on the chosen port is unfinished,
// the question names its file and the pages only the logger holds, and Return answers No.
[[nodiscard]] bool confirmErasing(Messages& messages, const AppState& state,
                                  std::string_view warning);

}  // namespace tilt::logging
