#include "logging/download_report.h"

#include <algorithm>

namespace tilt::logging {

namespace {

std::string atPage(std::int32_t page) {
    return page > 0 ? " at page " + std::to_string(page) : " before the first page";
}

}  // namespace

std::string downloadEndedEarlyText(const DownloadResult& result) {
    const std::int32_t page = result.transfer.DownloadPage;
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

std::string unfinishedDownloadWarning(const std::string& file, std::int32_t pagesInFile) {
    const std::string after = std::to_string(std::max(pagesInFile, 0));
    return "The download of this logger into " + file + " did not finish: " +
           (pagesInFile > 0 ? "the file keeps pages 1 to " + after + ", and the pages after " +
                                  after + " are only on the logger."
                            : "no page of the recording is in a file yet.") +
           "\r\nChoose Download and the same file to continue the download first.";
}

bool confirmErasing(Messages& messages, const AppState& state, std::string_view warning) {
    const auto& unfinished = state.unfinishedDownload;
    if (unfinished && unfinished->commPort == state.CommPort) {
        return messages.ask(destructiveQuestion(unfinishedDownloadWarning(unfinished->file,
                                                                          unfinished->pagesInFile) +
                                                "\r\n" + std::string(warning)),
                            Messages::Buttons::YesNoDefaultNo) == Messages::Answer::Yes;
    }
    return messages.ask(destructiveQuestion(warning), Messages::Buttons::YesNo) ==
           Messages::Answer::Yes;
}

}  // namespace tilt::logging
