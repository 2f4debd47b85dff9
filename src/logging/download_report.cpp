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

std::string unfinishedDownloadWarning(const UnfinishedDownload& unfinished) {
    const std::string after = std::to_string(std::max(unfinished.pagesInFile, 0));
    return "The download of logger " + numberText(unfinished.serialNumber) + " into " +
           unfinished.file + " did not finish: " +
           (unfinished.pagesInFile > 0
                ? "the file keeps pages 1 to " + after + ", and the pages after " + after +
                      " are only on the logger."
                : "no page of its recording is in a file yet.") +
           "\r\nTo keep them, connect to that logger, then " + std::string(kContinueDownloadHint);
}

bool confirmErasing(Messages& messages, AppState& state, std::string_view warning) {
    // Whatever port the logger is on now: an adapter plugged in again may have another number.
    if (const auto& unfinished = state.unfinishedDownload) {
        const bool yes = messages.ask(destructiveQuestion(unfinishedDownloadWarning(*unfinished) +
                                                          "\r\n" + std::string(warning)),
                                      Messages::Buttons::YesNoDefaultNo) == Messages::Answer::Yes;
        if (yes) {
            state.unfinishedDownload.reset();  // the user has chosen, knowing what it costs
        }
        return yes;
    }
    return messages.ask(destructiveQuestion(warning), Messages::Buttons::YesNo) ==
           Messages::Answer::Yes;
}

}  // namespace tilt::logging
