#include "logging/download_report.h"

#include <algorithm>

#include "common/number_text.h"

namespace tilt::logging {

namespace {

std::string atPage(std::int32_t page) {
    return page > 0 ? " at page " + std::to_string(page) : " before the first page";
}

}  // namespace

std::string downloadEndedEarlyText(const DownloadResult& result) {
    // A continued transfer asks for page 0 before the page it goes on at: an end there is an
    // end before that page.
    const std::int32_t page = result.transfer.downloadPage > 0 ? result.transfer.downloadPage
                                                               : std::max(result.firstPage, 0);
    switch (result.end) {
        case DownloadEnd::Stopped:
            return page > 0 ? "Download halted by user before page " + std::to_string(page) + "."
                            : "Download halted by user.";
        case DownloadEnd::DeviceSilent:
            return "The logger stopped answering" + atPage(page) + ".";
        case DownloadEnd::PortFailed:
            return "The connection to the logger failed" + atPage(page) + ".";
        case DownloadEnd::FileFailed:
            return result.transferStarted
                       ? "Page " + std::to_string(page) + " could not be written to the file."
                       : "The data file could not be written; nothing was downloaded.";
        case DownloadEnd::ParametersFailed:
        case DownloadEnd::Cancelled:
        case DownloadEnd::NoFileName:
        case DownloadEnd::Refused:
        case DownloadEnd::Completed:
        case DownloadEnd::AlreadyComplete:
            break;
    }
    return {};
}

std::string keptPagesText(const std::string& file, std::int32_t pagesInFile) {
    if (pagesInFile < 1) {
        return file + " keeps no page of the recording yet.";
    }
    return file + " keeps pages 1 to " + std::to_string(pagesInFile) + ".";
}

bool leftPagesBehind(const DownloadResult& result) {
    return result.transferStarted && result.end != DownloadEnd::Completed &&
           result.end != DownloadEnd::AlreadyComplete;
}

bool confirmErasing(Messages& messages, AppState& state, const EraseCheck& check,
                    std::string_view warning) {
    const bool atStake = needsConsent(check);
    const bool yes =
        atStake
            ? messages.ask(destructiveQuestion(atStakeText(check) + "\r\n" + std::string(warning)),
                           Messages::Buttons::YesNoDefaultNo) == Messages::Answer::Yes
            : messages.ask(destructiveQuestion(warning), Messages::Buttons::YesNo) ==
                  Messages::Answer::Yes;
    // The user has chosen, knowing what it costs: an unfinished download of this logger is
    // forgotten with its recording.
    const auto& unfinished = state.unfinishedDownload;
    if (yes && unfinished && check.recording &&
        static_cast<std::int64_t>(unfinished->serialNumber) == check.recording->serial) {
        state.unfinishedDownload.reset();
    }
    return yes;
}

}  // namespace tilt::logging
