#include "logging/download_job.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "common/error.h"
#include "common/error_reporter.h"
#include "link/comm_port.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/protocol.h"
#include "link/quiet_line.h"
#include "logging/library_record.h"
#include "logging/linear_csv.h"
#include "logging/text_writer.h"

namespace tilt::logging {

namespace {

constexpr std::size_t kFirstComparedLine = 2;  // line 3
constexpr std::size_t kHeaderLineCount = 12;

// A stopped transfer leaves the device sending the rest of the page it was asked for, and the
// first query of the next download would count those bytes as its reply: let them run out.
constexpr link::Nanos kQuietLine = link::ms(50);
constexpr link::Nanos kRunOutBound = link::ms(1000);

bool exists(const std::string& file) {
    std::error_code code;
    return std::filesystem::exists(file, code);
}

// The CSV maker names the screen it is given; a download's names the screen of the moment.
class ScreenOfTheMoment final : public ErrorReporter {
  public:
    explicit ScreenOfTheMoment(const link::JobScope& job) : job_(job) {}

    void handleError(std::int32_t number, std::string_view source, std::string_view /*screen*/,
                     std::string_view description) override {
        job_.errors().handleError(number, source, job_.screen(), description);
    }

  private:
    const link::JobScope& job_;
};

class Download {
  public:
    Download(const link::JobScope& job, const DownloadRequest& request, DownloadFrontEnd& frontEnd)
        : job_(job), link_(job.link()), request_(request), frontEnd_(frontEnd) {}

    DownloadResult run() {
        const auto started = std::chrono::system_clock::now();
        const bool fileUsable = !request_.file || namedFileUsable(*request_.file);
        if (fileUsable && readParameters() && chooseFile() && prepareFile()) {
            transfer();
        }
        recordInLibrary(started);  // before an erase: the library knows what is safe
        if (request_.eraseAfter) {
            eraseIfVerified();
        }
        return result_;
    }

  private:
    DownloadResult& end(DownloadEnd how) {
        result_.end = how;
        return result_;
    }

    // A file named up front is looked at before anything is sent: one that cannot be written,
    // or that is no download at all when the front end would only continue it.
    bool namedFileUsable(const std::string& file) {
        result_.file = file;
        try {
            checkWritable(file);
        } catch (const Error& e) {
            job_.report(e, "CreateDataFile");
            end(DownloadEnd::FileFailed);
            return false;
        }
        if (exists(file) && !inspectPartialDownload(file) &&
            frontEnd_.existingFile({file, std::nullopt, {}}) == ExistingFile::Refuse) {
            end(DownloadEnd::Refused);
            return false;
        }
        return true;
    }

    bool readParameters() {
        const auto outcome = readRecordingHeader(
            job_, request_.decimalSeparator, request_.parameterReading,
            [this](int steps) { frontEnd_.parameterStepsDone(steps); },
            [this](const DataFileHeader& h) { frontEnd_.modeRead(h.mode, h.channel); });
        result_.header = outcome.header;
        result_.header.appVersion = request_.appVersion;
        if (link_.stopRequested()) {
            end(DownloadEnd::Stopped);
            return false;
        }
        if (outcome.failed) {
            // A port that would not open has been reported; one that failed under a query has
            // not, and the step's message tells the user.
            result_.failedStep = outcome.failed;
            result_.parameterPortFailure = outcome.portFailure;
            const bool reported = outcome.portFailed && outcome.portFailure.empty();
            end(reported ? DownloadEnd::PortFailed : DownloadEnd::ParametersFailed);
            return false;
        }
        header_ = result_.header;
        frontEnd_.headerRead(header_);
        return true;
    }

    // A question the program's closing answered is no answer: nothing is done on it.
    bool stopped() {
        if (link_.stopRequested()) {
            end(DownloadEnd::Stopped);
            return true;
        }
        return false;
    }

    bool chooseFile() {
        const auto file = request_.file ? request_.file : frontEnd_.chooseFile();
        if (stopped()) {
            return false;
        }
        if (!file) {
            end(DownloadEnd::Cancelled);
            return false;
        }
        if (file->empty()) {
            end(DownloadEnd::NoFileName);
            return false;
        }
        result_.file = *file;
        return true;
    }

    // Continue the file, or start it afresh with its header.
    bool prepareFile() {
        const std::string& file = result_.file;
        if (exists(file)) {
            const auto partial = partialDownloadOf(file, header_);
            std::function<std::optional<bool>()> endsThere;
            if (partial) {
                endsThere = [this, last = partial->lastPage] {
                    return recordingEndsAfter(job_, last, request_.pageCount);
                };
            }
            const ExistingFile choice = frontEnd_.existingFile({file, partial, endsThere});
            if (stopped()) {
                return false;
            }
            switch (choice) {
                case ExistingFile::Refuse:
                    end(DownloadEnd::Refused);
                    return false;
                case ExistingFile::Continue:
                    if (partial) {
                        return continueFile(*partial);
                    }
                    break;
                case ExistingFile::Restart:
                    break;
            }
        }
        try {
            writeDataFileHeader(file, kDownloadPages, header_);
        } catch (const Error& e) {
            job_.report(e, "CreateDataFile");
            end(DownloadEnd::FileFailed);
            return false;
        }
        return true;
    }

    bool continueFile(const PartialDownload& partial) {
        result_.pagesInFile = partial.lastPage;
        if (partial.lastPage >= request_.pageCount - 1) {
            // Nothing is left to ask for; the CSV file may still be missing.
            makeCsv();
            end(DownloadEnd::AlreadyComplete);
            return false;
        }
        if (partial.cutOff) {
            std::error_code code;
            std::filesystem::resize_file(result_.file, partial.completeBytes, code);
            if (code) {
                job_.report(fileError(code.value(), result_.file, FileUse::Write),
                            "CreateDataFile");
                end(DownloadEnd::FileFailed);
                return false;
            }
        }
        result_.firstPage = partial.lastPage + 1;
        return true;
    }

    void transfer() {
        TransferOptions options;
        options.firstPage = std::max(result_.firstPage, 1);
        options.pageCount = request_.pageCount;
        options.lastReceive = request_.lastReceive;
        options.giveUpAfterSilence = request_.giveUpAfterSilence;
        frontEnd_.transferStarting(result_.firstPage);
        result_.transferStarted = true;
        result_.transfer = transferPages(
            job_, options,
            [this](std::int32_t page, std::span<const std::uint8_t> bytes) {
                const bool kept = writeDownloadPagesToFile(
                    result_.file, page, pageLineText(bytes, header_.mode, header_.channel),
                    job_.errors());
                if (kept) {
                    result_.pagesInFile = page;
                }
                return kept;
            },
            [this](const TransferProgress& p) { frontEnd_.transferProgress(p); });
        transferEnded(result_.transfer.end);
    }

    void transferEnded(TransferEnd how) {
        switch (how) {
            case TransferEnd::Completed:
                makeCsv();
                end(DownloadEnd::Completed);
                return;
            case TransferEnd::Stopped:
                letReplyRunOut();
                end(DownloadEnd::Stopped);
                return;
            case TransferEnd::WriteFailed:
                end(DownloadEnd::FileFailed);
                return;
            case TransferEnd::Silent:
                end(DownloadEnd::DeviceSilent);
                return;
            case TransferEnd::Failed:
                break;
        }
        end(DownloadEnd::PortFailed);
    }

    // What is wrong with the file as it reads back after the download, once asked.
    const std::optional<std::string>& readBackProblem() {
        if (!readBack_) {
            readBack_ = verifyDownloadFile(result_.file, header_, result_.pagesInFile);
        }
        return *readBack_;
    }

    void recordInLibrary(std::chrono::system_clock::time_point started) {
        const bool wroteFile =
            result_.transferStarted || result_.end == DownloadEnd::AlreadyComplete;
        if (request_.library == nullptr || !wroteFile) {
            return;
        }
        const bool whole = (result_.end == DownloadEnd::Completed ||
                            result_.end == DownloadEnd::AlreadyComplete) &&
                           !readBackProblem();
        result_.libraryProblem =
            recordDownload(*request_.library, result_, whole, request_.program, started)
                .value_or("");
    }

    // The recording goes only once every page of it is safe in a file that reads back whole.
    void eraseIfVerified() {
        switch (result_.end) {
            case DownloadEnd::Completed:
            case DownloadEnd::AlreadyComplete:
                break;
            case DownloadEnd::Stopped:
                result_.notErasedBecause = "the download was halted before its end.";
                return;
            default:
                result_.notErasedBecause = "the download did not complete.";
                return;
        }
        if (const auto problem = readBackProblem()) {
            result_.notErasedBecause = "the file did not read back whole: " + *problem;
            return;
        }
        if (link_.stopRequested()) {
            result_.notErasedBecause = "it was halted before the erase.";
            return;
        }
        EraseOptions options;
        options.giveUpAfterSilence = request_.giveUpAfterSilence;
        frontEnd_.eraseStarting();
        result_.erase = eraseMemory(job_, options,
                                    [this](const EraseProgress& p) { frontEnd_.eraseProgress(p); });
        if (request_.library != nullptr && result_.libraryProblem.empty()) {
            if (const auto problem =
                    recordErase(*request_.library, static_cast<std::int64_t>(header_.serialNumber),
                                *result_.erase, std::chrono::system_clock::now())) {
                result_.libraryProblem = *problem;
            }
        }
    }

    void makeCsv() {
        if (header_.mode == RecordingMode::Linear) {
            ScreenOfTheMoment errors(job_);
            result_.csvFailed = !makeLinearCsv(result_.file, errors, job_.caller());
        }
    }

    void letReplyRunOut() {
        const std::stop_token stop = link_.stopToken();
        link_.setStopToken({});  // the stop has been obeyed; this wait is short and bounded
        try {
            link_.setPort(job_.commPort());
            link_.open();
            link::waitForQuietLine(link_, kQuietLine, kRunOutBound);
            link_.discardInput();
        } catch (const Error&) {
            // Quietly: a port that fails now fails the next download's first open, which says so.
        }
        link::closeQuietly(link_);
        link_.setStopToken(stop);
    }

    const link::JobScope& job_;
    link::DeviceLink& link_;
    const DownloadRequest& request_;
    DownloadFrontEnd& frontEnd_;
    DataFileHeader header_;
    DownloadResult result_;
    std::optional<std::optional<std::string>> readBack_;
};

}  // namespace

DownloadResult runDownload(const link::JobScope& job, const DownloadRequest& request,
                           DownloadFrontEnd& frontEnd) {
    return Download(job, request, frontEnd).run();
}

std::optional<PartialDownload> partialDownloadOf(const std::string& file,
                                                 const DataFileHeader& header) {
    auto partial = inspectPartialDownload(file);
    if (!partial || partial->header.size() < kHeaderLineCount) {
        return std::nullopt;
    }
    const auto expected = headerLines(kDownloadPages, header);
    for (std::size_t i = kFirstComparedLine; i < kHeaderLineCount; ++i) {
        if (partial->header[i] != expected[i]) {
            return std::nullopt;
        }
    }
    return partial;
}

}  // namespace tilt::logging
