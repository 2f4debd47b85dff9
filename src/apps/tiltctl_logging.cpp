#include "apps/tiltctl_logging.h"

#include <QJsonObject>
#include <filesystem>
#include <optional>
#include <ostream>

#include "apps/tiltctl_console.h"
#include "common/messages.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/protocol.h"
#include "logging/download_job.h"
#include "logging/download_report.h"
#include "logging/erase.h"
#include "logging/erase_check.h"
#include "logging/launch.h"
#include "logging/library_record.h"
#include "logging/linear_csv.h"
#include "logging/transfer_rate.h"
#include "platform/number_settings.h"
#include "platform/sqlite_library.h"
#include "view/download_file.h"

namespace tilt::ctl {

namespace {

// Error reports of the download and the erase name the screen the desktop program's do, so that
// reports from both programs read the same.
constexpr const char* kDownloadScreen = "DownloadErase";
constexpr const char* kCsvScreen = "tiltctl";
// How often a parameter query is asked at most before the download gives up on it.
constexpr int kParameterAsks = 16;
// Nobody watches a terminal command: a logger silent this long has gone, and waiting on helps
// nobody. A download keeps its pages for --resume.
constexpr link::Nanos kDownloadSilenceLimit = link::ms(10000);
constexpr link::Nanos kEraseSilenceLimit = link::ms(5000);

constexpr std::int32_t kLastPage = link::kDevicePageCount - 1;
// Without a terminal to redraw on, a line every this many pages keeps a log short.
constexpr std::int32_t kPagesPerLine = 100;

struct DownloadArguments {
    std::string file;
    bool resume = false;
    bool eraseAfter = false;
    bool json = false;
};

constexpr const char* kDownloadUsage = "expected -o FILE [--resume] [--erase-after] [--json]";

DownloadArguments downloadArguments(const QStringList& args) {
    DownloadArguments request;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--output") {
            request.file = optionValue(args, i, kDownloadUsage).toStdString();
        } else if (args[i] == "--resume") {
            request.resume = true;
        } else if (args[i] == "--erase-after") {
            request.eraseAfter = true;
        } else if (args[i] == "--json") {
            request.json = true;
        } else {
            throw UsageError{"unexpected '" + args[i].toStdString() + "'; " + kDownloadUsage};
        }
    }
    if (request.file.empty()) {
        throw UsageError{kDownloadUsage};
    }
    // A linear recording's CSV file is FILE with ".csv" in place of its last four characters:
    // a file named without a three-letter extension would give a CSV file of a stray name.
    // (A device such as /dev/null is no file to name anything after.)
    std::error_code code;
    const bool device = std::filesystem::exists(request.file, code) &&
                        !std::filesystem::is_regular_file(request.file, code);
    if (const auto dot = request.file.rfind('.');
        !device && (dot == std::string::npos || dot + 4 != request.file.size() ||
                    request.file.find('/', dot) != std::string::npos)) {
        throw UsageError{
            "FILE needs a three-letter extension, such as walk.tlg: a linear "
            "recording's CSV file is named by putting .csv in its place"};
    }
    return request;
}

// A destructive command's options: --yes answers its question; nothing else is taken.
struct Confirmation {
    bool yes = false;
    bool json = false;
    bool discardUndownloaded = false;
};

Confirmation confirmation(QStringList args) {
    Confirmation options;
    options.json = takeFlag(args, "--json");
    options.yes = takeFlag(args, "--yes");
    options.discardUndownloaded = takeFlag(args, "--discard-undownloaded");
    expectArguments(args, 0, "--yes [--discard-undownloaded] [--json]");
    return options;
}

platform::SqliteLibrary dataRootLibrary() {
    return platform::SqliteLibrary(platform::SqliteLibrary::inDataRoot());
}

// Before an erase or a launch: whether the logger holds a recording that was never downloaded
// here. Refuses (an exit code) when it does, or when that is not known, unless the user chose to
// lose it; a port that failed has been reported, and nothing is sent.
std::optional<int> refuseUndownloaded(Context& ctx, const link::JobScope& job,
                                      platform::SqliteLibrary& library, const Confirmation& options,
                                      const char* command, logging::EraseCheck& check) {
    check = logging::checkBeforeErasing(job, library, {.countPages = !options.discardUndownloaded});
    if (const auto notice = library.takeNotice()) {
        ctx.err << *notice << "\n";
    }
    if (check.portFailed) {
        ctx.err << logging::eraseEndMessage(logging::EraseEnd::NotSent) << "\n";
        return kDeviceFailed;
    }
    if (!logging::needsConsent(check) || options.discardUndownloaded) {
        return std::nullopt;
    }
    ctx.err << logging::atStakeText(check) << "\n"
            << "Nothing was erased. Download it first (tiltctl download -o FILE), or run tiltctl "
            << command << " --yes --discard-undownloaded to lose it.\n";
    return kDeviceFailed;
}

// The question the desktop program asks before it destroys data; here the answer is --yes.
int askForYes(Context& ctx, std::string_view warning, const char* command) {
    ctx.err << plainLines(destructiveQuestion(warning)) << "\n"
            << "Nothing was sent. Run tiltctl " << command << " --yes to proceed.\n";
    return kBadUsage;
}

// The download's terminal: --resume answers for an existing file, and stderr shows the page,
// the pace and the time left, and the comm-failure warning when the device falls silent.
class ConsoleDownload final : public logging::DownloadFrontEnd {
  public:
    ConsoleDownload(Context& ctx, bool resume)
        : ctx_(ctx), resume_(resume), line_(ctx.err, ctx.errIsTerminal) {}

    std::optional<std::string> chooseFile() override { return std::nullopt; }

    logging::ExistingFile existingFile(const logging::ExistingDataFile& existing) override {
        if (!resume_) {
            return logging::ExistingFile::Restart;
        }
        const auto& partial = existing.partial;
        if (!partial) {
            ctx_.err << existing.file
                     << " is no cut-off download of the recording on the device; it was left as "
                        "it is. Leave out --resume to replace it, or choose another file.\n";
            return logging::ExistingFile::Refuse;
        }
        ctx_.err << "Resuming after page " << partial->lastPage << "\n";
        return logging::ExistingFile::Continue;
    }

    void transferProgress(const logging::TransferProgress& p) override {
        if (p.warning && !warned_) {
            line_.note("Comm failure: attempting re-sample");
        }
        warned_ = p.warning;
        if (!p.pageArrived) {
            return;
        }
        const std::int32_t page = p.page - 1;  // the report comes after the page count moved on
        rate_.pageArrived(page, logging::TransferRate::Clock::now());
        if (line_.redraws() || page % kPagesPerLine == 0) {
            const std::string pace = rate_.describe(kLastPage);
            line_.show("Page " + std::to_string(page) + (pace.empty() ? "" : ", " + pace));
        }
    }

    void eraseStarting() override {
        line_.end();
        line_.note("The file reads back whole; erasing the logger.");
    }

    void eraseProgress(const logging::EraseProgress& p) override {
        line_.show("Erasing: " + std::to_string(p.waiting) + " of " +
                   std::to_string(link::kEraseProgressBytes));
    }

    void end() { line_.end(); }

  private:
    Context& ctx_;
    bool resume_;
    StatusLine line_;
    logging::TransferRate rate_;
    bool warned_ = false;
};

void printCompleted(Context& ctx, std::ostream& out, const logging::DownloadResult& result) {
    out << "Download completed!\n";
    if (result.header.mode != RecordingMode::Linear) {
        return;
    }
    const std::string csv = logging::csvPathFor(result.file);
    if (result.csvFailed) {
        ctx.err << "The CSV file " << csv << " was not written whole; " << result.file
                << " is. Run tiltctl csv " << result.file << " once the problem is put right.\n";
    } else {
        out << csv << "\n";
    }
}

// What is in the file after a download that did not complete, and how to go on.
void printWhatIsKept(Context& ctx, const logging::DownloadResult& result) {
    if (result.pagesInFile > 0) {
        ctx.err << logging::keptPagesText(result.file, result.pagesInFile)
                << " Run the download again with --resume to continue it.\n";
    }
}

// The download's own end: what it says, and its exit code. `out` takes the lines of success
// (stderr when stdout carries JSON).
int downloadEnded(Context& ctx, std::ostream& out, const PrintingErrors& errors,
                  const logging::DownloadResult& result) {
    using logging::DownloadEnd;
    switch (result.end) {
        case DownloadEnd::Completed:
            printCompleted(ctx, out, result);
            return errors.count() == 0 ? kDone : kDeviceFailed;
        case DownloadEnd::AlreadyComplete:
            out << result.file << ": " << logging::kAlreadyCompleteMessage << "\n";
            return errors.count() == 0 ? kDone : kDeviceFailed;
        case DownloadEnd::Stopped:
            ctx.err << logging::downloadEndedEarlyText(result);
            if (result.transfer.downloadPage != 0 || result.pagesInFile != 0) {
                ctx.err << " Run it again with --resume to continue " << result.file << ".";
            }
            ctx.err << "\n";
            return kInterrupted;
        case DownloadEnd::ParametersFailed:
            if (!result.parameterPortFailure.empty()) {
                ctx.err << result.parameterPortFailure << "\n";
            }
            ctx.err << logging::parameterFailureMessage(*result.failedStep) << "\n";
            return kDeviceFailed;
        case DownloadEnd::DeviceSilent:
            ctx.err << logging::downloadEndedEarlyText(result) << "\n";
            break;
        case DownloadEnd::Cancelled:
        case DownloadEnd::NoFileName:
        case DownloadEnd::Refused:
        case DownloadEnd::FileFailed:
        case DownloadEnd::PortFailed:
            break;  // told already
    }
    printWhatIsKept(ctx, result);
    return kDeviceFailed;
}

// What an erase says at its end (success on `out`), and its exit code.
int eraseEnded(Context& ctx, std::ostream& out, logging::EraseEnd end) {
    const std::string_view message = logging::eraseEndMessage(end);
    switch (end) {
        case logging::EraseEnd::Completed:
            out << message << "\n";
            return kDone;
        case logging::EraseEnd::Halted:
            ctx.err << message << "\n";
            return kInterrupted;
        case logging::EraseEnd::Stalled:
        case logging::EraseEnd::Failed:
        case logging::EraseEnd::NotSent:
            break;
    }
    ctx.err << message << "\n";
    return kDeviceFailed;
}

// What --erase-after did, and the exit code: 1 whenever the logger was not erased.
int eraseAfterEnded(Context& ctx, std::ostream& out, const logging::DownloadResult& result,
                    int code) {
    if (!result.erase) {
        ctx.err << "The logger was not erased: " << result.notErasedBecause << "\n";
        // A stop by the user says so in the exit code, whatever else was asked for.
        return code == kInterrupted ? kInterrupted : kDeviceFailed;
    }
    const int erased = eraseEnded(ctx, out, *result.erase);
    return erased == kDone ? code : erased;
}

QJsonObject downloadSummary(const logging::DownloadResult& result, bool eraseAfter, int code) {
    QJsonObject summary{{"result", QString::fromLatin1(logging::downloadEndName(result.end))},
                        {"file", QString::fromStdString(result.file)},
                        {"firstPage", result.firstPage},
                        {"pagesInFile", result.pagesInFile},
                        {"exitCode", code}};
    const bool whole = result.end == logging::DownloadEnd::Completed ||
                       result.end == logging::DownloadEnd::AlreadyComplete;
    if (whole && result.header.mode == RecordingMode::Linear && !result.csvFailed) {
        summary.insert("csv", QString::fromStdString(logging::csvPathFor(result.file)));
    }
    if (eraseAfter) {
        const bool erased = result.erase == logging::EraseEnd::Completed;
        summary.insert("erased", erased);
        if (!result.erase) {
            summary.insert("notErasedBecause", QString::fromStdString(result.notErasedBecause));
        }
    }
    return summary;
}

int runDownload(Context& ctx, const QStringList& args) {
    const DownloadArguments arguments = downloadArguments(args);
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    InterruptStop interrupt;
    link::DeviceLink link(ctx.catalogue);
    link.setStopToken(interrupt.token());
    PrintingErrors errors(ctx.err);
    logging::DownloadRequest request;
    request.pageCount = link::kDevicePageCount;
    request.appVersion = TILT_VERSION;
    request.decimalSeparator = platform::decimalSeparator();
    // Each query is asked until two answers agree: a header shifted by a bad cable would mark
    // the whole file. With that check, a pause may end as soon as its reply is in.
    request.parameterReading = {.asks = kParameterAsks, .untilReply = true};
    request.file = arguments.file;
    request.giveUpAfterSilence = kDownloadSilenceLimit;
    request.eraseAfter = arguments.eraseAfter;
    auto library = dataRootLibrary();
    request.library = &library;
    request.program = "tiltctl";
    ConsoleDownload console(ctx, arguments.resume);
    const auto result = logging::runDownload(
        link::JobScope(link, ctx.port, errors, kDownloadScreen), request, console);
    console.end();
    std::ostream& out = arguments.json ? ctx.err : ctx.out;
    if (const auto notice = library.takeNotice()) {
        ctx.err << *notice << "\n";
    }
    if (!result.libraryProblem.empty()) {
        ctx.err << result.libraryProblem << "\n";
    }
    int code = downloadEnded(ctx, out, errors, result);
    if (arguments.eraseAfter) {
        code = eraseAfterEnded(ctx, out, result, code);
    }
    if (arguments.json) {
        ctx.out << jsonLine(downloadSummary(result, arguments.eraseAfter, code));
    }
    return code;
}

int runCsv(Context& ctx, QStringList args) {
    const bool json = takeFlag(args, "--json");
    expectArguments(args, 1, "FILE [--json]");
    const std::string file = args[0].toStdString();
    if (const auto header = view::readDownloadFileHeader(file);
        header && header->mode != view::FileMode::Linear) {
        ctx.err << file << " is no linear recording: only a linear recording has a CSV file.\n";
        return kDeviceFailed;
    }
    const std::string csv = logging::csvPathFor(file);
    PrintingErrors errors(ctx.err);
    logging::makeLinearCsv(file, errors, kCsvScreen);
    if (errors.count() > 0) {
        return kDeviceFailed;
    }
    if (json) {
        ctx.out << jsonLine({{"csv", QString::fromStdString(csv)}});
    } else {
        ctx.out << csv << "\n";
    }
    return kDone;
}

int runErase(Context& ctx, const QStringList& args) {
    const Confirmation options = confirmation(args);
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    if (!options.yes) {
        return askForYes(ctx, logging::kEraseWarning, "erase");
    }
    InterruptStop interrupt;
    link::DeviceLink link(ctx.catalogue);
    link.setStopToken(interrupt.token());
    PrintingErrors errors(ctx.err);
    const link::JobScope job(link, ctx.port, errors, kDownloadScreen);
    auto library = dataRootLibrary();
    logging::EraseCheck check;
    if (const auto refused = refuseUndownloaded(ctx, job, library, options, "erase", check)) {
        if (options.json) {
            ctx.out << jsonLine(
                {{"result", check.portFailed ? "failed" : "refused"}, {"exitCode", *refused}});
        }
        return *refused;
    }
    StatusLine line(ctx.err, ctx.errIsTerminal);
    logging::EraseOptions erase;
    erase.giveUpAfterSilence = kEraseSilenceLimit;
    const auto end = logging::eraseMemory(job, erase, [&](const logging::EraseProgress& p) {
        line.show(std::to_string(p.waiting) + " of " + std::to_string(link::kEraseProgressBytes));
    });
    line.end();
    if (const auto problem = logging::recordErase(
            library, check.recording ? std::optional(check.recording->serial) : std::nullopt, end,
            std::chrono::system_clock::now())) {
        ctx.err << *problem << "\n";
    }
    const int code = eraseEnded(ctx, options.json ? ctx.err : ctx.out, end);
    if (options.json) {
        ctx.out << jsonLine(
            {{"result", QString::fromLatin1(logging::eraseEndName(end))}, {"exitCode", code}});
    }
    return code;
}

int runLaunch(Context& ctx, const QStringList& args) {
    const Confirmation options = confirmation(args);
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    if (!options.yes) {
        return askForYes(ctx, logging::kLaunchWarning, "launch");
    }
    // Once 'e' and 'X' are out the device erases and starts logging whatever we do, and a stop
    // would only cut the pause between them short; so Ctrl+C is caught and explained, not obeyed.
    InterruptStop interrupt;
    bool explained = false;
    link::DeviceLink link(ctx.catalogue);
    PrintingErrors errors(ctx.err);
    const link::JobScope job(link, ctx.port, errors, std::string(logging::kLaunchScreen));
    auto library = dataRootLibrary();
    logging::EraseCheck check;
    if (const auto refused = refuseUndownloaded(ctx, job, library, options, "launch", check)) {
        if (options.json) {
            ctx.out << jsonLine({{"launched", false}, {"exitCode", *refused}});
        }
        return *refused;
    }
    StatusLine line(ctx.err, ctx.errIsTerminal);
    const auto result = logging::launchLogging(job, [&](double erasedPages) {
        if (interrupt.requested() && !explained) {
            line.note("A launch cannot be halted; it ends on its own within seconds.");
            explained = true;
        }
        line.show("Erasing page " + std::to_string(static_cast<int>(erasedPages)));
    });
    line.end();
    if (check.recording) {
        if (const auto problem = logging::recordLaunch(library, check.recording->serial, result)) {
            ctx.err << *problem << "\n";
        }
    }
    const std::string message = plainLines(logging::launchEndMessage(result));
    const bool launched = result.end == logging::LaunchEnd::Launched;
    if (!message.empty()) {
        (launched && !options.json ? ctx.out : ctx.err) << message << "\n";
    }
    const int code = launched ? kDone : kDeviceFailed;
    if (options.json) {
        ctx.out << jsonLine({{"launched", launched}, {"exitCode", code}});
    }
    return code;
}

}  // namespace

std::vector<Command> loggingCommands() {
    return {
        {{"download"},
         "-o FILE [--resume] [--erase-after] [--json]",
         helpText({"Copy the recording into FILE (and a linear one into its CSV file). Ctrl+C "
                   "halts at a page boundary; --resume continues a halted FILE.",
                   "--erase-after erases the logger once the download has completed and FILE "
                   "has been read back and checked (header, page count, every page line); after "
                   "any other end it says why it did not erase, and exits 1.",
                   "--json: one object on stdout at the end, {\"result\", \"file\", "
                   "\"firstPage\", \"pagesInFile\", \"exitCode\"}, with \"csv\" for a "
                   "complete linear recording and, with --erase-after, \"erased\" (and "
                   "\"notErasedBecause\"). \"result\" is one of: completed, already complete, "
                   "halted, parameters failed, refused, file failed, port failed, device silent. "
                   "The other lines go to stderr."}),
         runDownload},
        {.words = {"csv"},
         .arguments = "FILE [--json]",
         .summary = helpText({"Write the CSV file of the linear data file FILE and print its "
                              "name.",
                              "--json: {\"csv\"}."}),
         .run = runCsv,
         .needsPort = false},
        {{"erase"},
         "--yes [--discard-undownloaded] [--json]",
         helpText({"Erase the data memory; without --yes, only ask.",
                   "First the logger's serial number, launch time and first pages are read: a "
                   "recording that no complete download in the recordings library holds (or "
                   "that it cannot tell of) is not erased, and the command exits 1, unless "
                   "--discard-undownloaded is given. An empty memory is erased at once.",
                   "--json: {\"result\", \"exitCode\"}; \"result\" is one of completed, "
                   "halted, stalled, failed, refused. The other lines go to stderr."}),
         runErase},
        {{"launch"},
         "--yes [--discard-undownloaded] [--json]",
         helpText({"Stamp the launch time, erase the memory and start logging; without --yes, "
                   "only ask.",
                   "As erase does, it first makes sure the recording it erases was downloaded, "
                   "unless --discard-undownloaded is given.",
                   "--json: {\"launched\", \"exitCode\"}. The other lines go to stderr."}),
         runLaunch},
    };
}

}  // namespace tilt::ctl
