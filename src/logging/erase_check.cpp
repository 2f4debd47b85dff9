#include "logging/erase_check.h"

#include <algorithm>
#include <filesystem>

#include "link/device_link.h"
#include "link/job_scope.h"
#include "logging/page_transfer.h"

namespace tilt::logging {

namespace {

// The most pages a complete download of `recording` here holds, in a file that is still there;
// 0 when none does.
std::int32_t downloadedPagesOf(RecordingsLibrary& library, const RecordingKey& recording) {
    std::int32_t most = 0;
    for (const DataFileEntry& entry : library.dataFiles(recording.serial)) {
        std::error_code ignored;
        if (entry.complete && entry.recording == recording &&
            std::filesystem::exists(entry.path, ignored)) {
            most = std::max(most, static_cast<std::int32_t>(entry.pages));
        }
    }
    return most;
}

std::string pagesText(std::int32_t first, std::optional<std::int32_t> last) {
    if (!last) {
        return "pages " + std::to_string(first) + " and on";
    }
    if (*last == first) {
        return "page " + std::to_string(first);
    }
    return "pages " + std::to_string(first) + " to " + std::to_string(*last);
}

EraseCheck check(const link::JobScope& job, RecordingsLibrary& library,
                 const EraseCheckOptions& options) {
    EraseCheck result;
    const ParameterOutcome identity = readRecordingIdentity(job, options.reading);
    if (identity.failed) {
        result.portFailed = identity.portFailed;
        result.whyNotKnown =
            "the logger did not give its serial number and launch time" +
            (identity.portFailure.empty() ? "" : " (" + identity.portFailure + ")");
        return result;
    }
    const RecordingKey recording{static_cast<std::int64_t>(identity.header.serialNumber),
                                 identity.header.launchTime};
    result.recording = recording;

    std::string libraryProblem;
    try {
        result.downloadedPages = downloadedPagesOf(library, recording);
    } catch (const LibraryError& e) {
        libraryProblem = "the recordings library could not be read (" + std::string(e.what()) + ")";
    }
    if (result.downloadedPages >= options.pageCount - 1) {
        result.verdict = EraseCheck::Verdict::Downloaded;  // the whole memory
        result.pagesHeld = result.downloadedPages;
        return result;
    }
    PageProbe probe(job);
    const auto tally = [&] { result.pagesAsked = probe.pagesAsked(); };
    // After a complete download the page after its last tells; else the first page does.
    const std::int32_t telling = result.downloadedPages + 1;
    const auto erased = probe.erased(telling);
    if (!erased) {
        tally();
        result.whyNotKnown = "the logger did not send page " + std::to_string(telling);
        return result;
    }
    if (*erased) {
        tally();
        result.verdict = result.downloadedPages > 0 ? EraseCheck::Verdict::Downloaded
                                                    : EraseCheck::Verdict::Empty;
        result.pagesHeld = result.downloadedPages;
        return result;
    }
    result.verdict =
        libraryProblem.empty() ? EraseCheck::Verdict::AtStake : EraseCheck::Verdict::NotKnown;
    result.whyNotKnown = libraryProblem;
    if (options.countPages) {
        result.pagesHeld = probe.lastDataPage(telling, options.pageCount);
    }
    tally();
    return result;
}

}  // namespace

EraseCheck checkBeforeErasing(const link::JobScope& job, RecordingsLibrary& library,
                              const EraseCheckOptions& options) {
    const link::Nanos start = job.link().now();
    EraseCheck result = check(job, library, options);
    result.lineTime = job.link().now() - start;
    return result;
}

bool needsConsent(const EraseCheck& check) {
    return check.verdict == EraseCheck::Verdict::AtStake ||
           check.verdict == EraseCheck::Verdict::NotKnown;
}

std::string atStakeText(const EraseCheck& check) {
    if (!needsConsent(check)) {
        return {};
    }
    if (!check.recording) {
        return "It is not known whether the logger's recording was downloaded: " +
               check.whyNotKnown + ".";
    }
    const std::string logger = "Logger " + std::to_string(check.recording->serial) +
                               " holds a recording launched " + check.recording->launchTime;
    const std::int32_t first = check.downloadedPages + 1;
    if (check.verdict == EraseCheck::Verdict::NotKnown) {
        return logger + (check.pagesHeld ? " (" + pagesText(1, check.pagesHeld) + ")" : "") +
               ", and it is not known whether it was downloaded: " + check.whyNotKnown + ".";
    }
    const auto plural = [](const std::string& pages, const char* one, const char* many) {
        return pages + (pages.starts_with("page ") ? one : many);
    };
    if (check.downloadedPages == 0) {
        return logger + " that was never downloaded to this computer: " +
               plural(pagesText(1, check.pagesHeld), " is", " are") + " on the logger only.";
    }
    return logger + " of which " + plural(pagesText(first, check.pagesHeld), " was", " were") +
           " never downloaded to this computer (its last complete download here holds " +
           pagesText(1, check.downloadedPages) + ").";
}

}  // namespace tilt::logging
