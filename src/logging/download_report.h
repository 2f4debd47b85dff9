#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/app_state.h"
#include "common/messages.h"
#include "logging/download_job.h"
#include "logging/erase_check.h"

namespace tilt::logging {

// What the front ends tell the user about a download, in the same words in the window and in
// tiltctl; each adds how to go on in its own terms.

// What happened to a download that ended before the end of the recording, in one sentence:
// "The logger stopped answering at page 813." Empty for a download that completed.
[[nodiscard]] std::string downloadEndedEarlyText(const DownloadResult& result);

// How the window's user goes on with a download that did not finish.
inline constexpr std::string_view kContinueDownloadHint =
    "choose Download again and the same file to continue.";

// What the data file keeps: "/data/walk.tlg keeps pages 1 to 812."
[[nodiscard]] std::string keptPagesText(const std::string& file, std::int32_t pagesInFile);

// Whether the download ended with pages of the recording left on the logger that no file holds.
[[nodiscard]] bool leftPagesBehind(const DownloadResult& result);

// The question before a command that erases the logger's memory (`warning` is the launch's or
// the erase's), after `check` has looked at what the logger holds; true on Yes. When a recording
// is at stake (or not known to be downloaded), the question names the logger, its launch time and
// the pages, and Return answers No.
[[nodiscard]] bool confirmErasing(Messages& messages, AppState& state, const EraseCheck& check,
                                  std::string_view warning);

}  // namespace tilt::logging
