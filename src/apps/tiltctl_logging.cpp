#include "apps/tiltctl_logging.h"

#include <QLocale>
#include <chrono>
#include <filesystem>
#include <optional>
#include <ostream>

#include "apps/tiltctl_console.h"
#include "link/device_link.h"
#include "link/protocol.h"
#include "logging/download_parameters.h"
#include "logging/download_session.h"
#include "logging/erase.h"
#include "logging/launch.h"
#include "logging/linear_csv.h"
#include "logging/transfer_rate.h"
#include "shell/error.h"

namespace tilt::ctl {

namespace {

// Error reports of the download name its window as the desktop program does, so that reports
// from both programs read the same.
constexpr const char* kDownloadWindow = "DownloadErase";
constexpr const char* kCsvScreen = "tiltctl";
// How often a parameter query is asked at most before the download gives up on it.
constexpr int kParameterAsks = 16;

constexpr const char* kNoPort = "No comm port has been selected!";
constexpr const char* kProceed = "\r\nClick YES to proceed.\r\nClick NO to cancel this operation.";
constexpr std::int32_t kLastPage = link::kDevicePageCount - 1;
// Without a terminal to redraw on, a line every this many pages keeps a log short.
constexpr std::int32_t kPagesPerLine = 100;
// Bytes of one reply follow each other within a millisecond at 19200 baud, so a line this quiet
// has finished its reply; the rest of a page takes at most 138 ms, well inside the bound.
constexpr link::Nanos kQuietLine = link::ms(50);
constexpr link::Nanos kRunOutBound = link::ms(1000);

struct DownloadRequest {
    std::string file;
    bool resume = false;
};

DownloadRequest downloadArguments(const QStringList& args) {
    DownloadRequest request;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--output") {
            if (i + 1 == args.size()) {
                throw UsageError{args[i].toStdString() + " needs a FILE"};
            }
            request.file = args[++i].toStdString();
        } else if (args[i] == "--resume") {
            request.resume = true;
        } else {
            throw UsageError{"unexpected '" + args[i].toStdString() +
                             "'; expected -o FILE [--resume]"};
        }
    }
    if (request.file.empty()) {
        throw UsageError{"expected -o FILE [--resume]"};
    }
    return request;
}

// True for --yes; nothing else is taken.
bool confirmed(const QStringList& args) {
    if (args.size() > 1 || (args.size() == 1 && args[0] != "--yes")) {
        throw UsageError{"expected nothing or --yes"};
    }
    return args.size() == 1;
}

// The question the desktop program asks before it destroys data; here the answer is --yes.
int askForYes(Context& ctx, const std::string& question, const char* command) {
    ctx.err << plainLines(question + kProceed) << "\n"
            << "Nothing was sent. Run tiltctl " << command << " --yes to proceed.\n";
    return kBadUsage;
}

// Quotients in the header take the decimal separator of the user's number settings.
char decimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 128 ? point[0].toLatin1() : '.';
}

// Page, pace and time left while pages arrive; the comm-failure warning when the device falls
// silent.
class DownloadProgress {
  public:
    explicit DownloadProgress(StatusLine& line) : line_(line) {}

    void operator()(const logging::TransferProgress& p) {
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

  private:
    StatusLine& line_;
    logging::TransferRate rate_;
    bool warned_ = false;
};

void refuseToResume(Context& ctx, const std::string& file) {
    ctx.err << file
            << " is no cut-off download of the recording on the device; it was left as it is. "
               "Leave out --resume to replace it, or choose another file.\n";
}

// A file that is no download at all is refused before the device is kept busy for seconds.
bool resumableAtAll(const DownloadRequest& request) {
    std::error_code code;
    return !request.resume || !std::filesystem::exists(request.file, code) ||
           logging::inspectPartialDownload(request.file).has_value();
}

// The page to ask for first: 0 for a new file, or the page after the last complete line of a
// cut-off download of this recording. Nothing when the file cannot be used.
std::optional<std::int32_t> prepareDataFile(Context& ctx, const DownloadRequest& request,
                                            const logging::DataFileHeader& header) {
    std::error_code code;
    if (request.resume && std::filesystem::exists(request.file, code)) {
        const auto partial = logging::partialDownloadOf(request.file, header);
        if (!partial) {
            refuseToResume(ctx, request.file);
            return std::nullopt;
        }
        const auto next = logging::prepareResume(request.file, *partial);
        if (!next) {
            ctx.err << "Cannot cut " << request.file << " back to its last complete page line.\n";
            return std::nullopt;
        }
        ctx.err << "Resuming after page " << partial->lastPage << "\n";
        return next;
    }
    logging::writeDataFileHeader(request.file, logging::kDownloadPages, header);
    // The header writer stays quiet on failure; reading the header back tells.
    if (!logging::partialDownloadOf(request.file, header)) {
        ctx.err << "Cannot write the data file " << request.file << "; nothing was downloaded.\n";
        return std::nullopt;
    }
    return 0;
}

// A halt leaves the device sending the rest of the page it was asked for, and the first query
// of the next run would count those bytes as its reply: let them run out and drop them here.
void letReplyRunOut(Context& ctx) {
    link::DeviceLink link(ctx.catalogue);  // no stop token: the halt has been obeyed already
    try {
        link.setPort(ctx.port);
        link.open();
        const link::Nanos bound = link.now() + kRunOutBound;
        while (link.now() < bound &&
               link.waitForBytes(link.bytesWaiting() + 1, link.now() + kQuietLine)) {
            link.discardInput();
        }
        link.discardInput();
        link.close();
    } catch (const Error&) {
        // A port that fails now failed the transfer too, and that has been reported.
    }
}

int downloadCompleted(Context& ctx, const PrintingErrors& errors,
                      const logging::DataFileHeader& header, const std::string& file) {
    ctx.out << "Download completed!\n";
    if (header.BinLinearMode == 1) {
        ctx.out << logging::csvPathFor(file) << "\n";
    }
    return errors.count() == 0 ? kDone : kDeviceFailed;
}

int transferPages(Context& ctx, link::DeviceLink& link, PrintingErrors& errors,
                  const logging::DataFileHeader& header, const logging::DownloadTarget& target) {
    if (target.firstPage > kLastPage) {
        // The file holds the whole memory already; asking for a page past it would be nonsense.
        if (header.BinLinearMode == 1) {
            logging::MakeLinearCSV(target.dataFileName, errors, kDownloadWindow);
        }
        return downloadCompleted(ctx, errors, header, target.dataFileName);
    }
    StatusLine line(ctx.err, ctx.errIsTerminal);
    DownloadProgress progress(line);
    std::optional<std::chrono::system_clock::time_point> lastReceive;
    const auto result = logging::downloadIntoFile(
        link, ctx.port, errors, header, target, link::kDevicePageCount,
        [&](const logging::TransferProgress& p) { progress(p); }, lastReceive);
    line.end();
    switch (result.end) {
        case logging::TransferEnd::Completed:
            return downloadCompleted(ctx, errors, header, target.dataFileName);
        case logging::TransferEnd::Stopped:
            letReplyRunOut(ctx);
            ctx.err << "Download halted by user before page " << result.DownloadPage << ". Run it "
                    << "again with --resume to continue " << target.dataFileName << ".\n";
            return kInterrupted;
        case logging::TransferEnd::Failed:
            break;
    }
    return kDeviceFailed;
}

int runDownload(Context& ctx, const QStringList& args) {
    const DownloadRequest request = downloadArguments(args);
    if (ctx.port == 0) {
        ctx.err << kNoPort << "\n";
        return kDeviceFailed;
    }
    if (!resumableAtAll(request)) {
        refuseToResume(ctx, request.file);
        return kDeviceFailed;
    }
    InterruptStop interrupt;
    link::DeviceLink link(ctx.catalogue);
    link.setStopToken(interrupt.token());
    PrintingErrors errors(ctx.err);
    // Each query is asked until two answers agree: a header shifted by a bad cable would mark
    // the whole file.
    ctx.err << "Retrieving on-board parameters\n";
    const auto outcome = logging::GetConfirmedDownloadParameters(
        link, ctx.port, errors, kDownloadWindow, decimalSeparator(), kParameterAsks);
    if (interrupt.requested()) {
        ctx.err << "Download halted by user; " << request.file << " was not touched.\n";
        return kInterrupted;
    }
    if (outcome.failed) {
        ctx.err << logging::parameterFailureMessage(*outcome.failed) << "\n";
        return kDeviceFailed;
    }

    const auto header = logging::dataFileHeaderOf(outcome.parameters, TILT_VERSION);
    const auto firstPage = prepareDataFile(ctx, request, header);
    if (!firstPage) {
        return kDeviceFailed;
    }
    return transferPages(ctx, link, errors, header, {request.file, *firstPage});
}

int runCsv(Context& ctx, const QStringList& args) {
    expectArguments(args, 1, "FILE");
    const std::string file = args[0].toStdString();
    const std::string csv = logging::csvPathFor(file);
    PrintingErrors errors(ctx.err);
    logging::MakeLinearCSV(file, errors, kCsvScreen);
    if (errors.count() > 0) {
        return kDeviceFailed;
    }
    ctx.out << csv << "\n";
    return kDone;
}

int runErase(Context& ctx, const QStringList& args) {
    const bool yes = confirmed(args);
    if (ctx.port == 0) {
        ctx.err << kNoPort << "\n";
        return kDeviceFailed;
    }
    if (!yes) {
        return askForYes(ctx, "All on-board data will be erased!", "erase");
    }
    InterruptStop interrupt;
    link::DeviceLink link(ctx.catalogue);
    link.setStopToken(interrupt.token());
    PrintingErrors errors(ctx.err);
    StatusLine line(ctx.err, ctx.errIsTerminal);
    const auto end =
        logging::eraseMemory(link, ctx.port, errors, kDownloadWindow, [&](std::size_t waiting) {
            line.show(std::to_string(waiting) + " of " + std::to_string(link::kEraseProgressBytes));
        });
    line.end();
    switch (end) {
        case logging::EraseEnd::Completed:
            ctx.out << "Erase completed!\n";
            return kDone;
        case logging::EraseEnd::Halted:
            ctx.err << "Erase halted by user! Erase may not be complete.\n";
            return kInterrupted;
        case logging::EraseEnd::Failed:
            break;
    }
    return kDeviceFailed;
}

int runLaunch(Context& ctx, const QStringList& args) {
    const bool yes = confirmed(args);
    if (ctx.port == 0) {
        ctx.err << kNoPort << "\n";
        return kDeviceFailed;
    }
    if (!yes) {
        return askForYes(ctx, "Tiltavarometer will erase all on-board data before launch!",
                         "launch");
    }
    // Once 'e' and 'X' are out the device erases and starts logging whatever we do, and a stop
    // would only cut the pause between them short; so Ctrl+C is caught and explained, not obeyed.
    InterruptStop interrupt;
    bool explained = false;
    link::DeviceLink link(ctx.catalogue);
    PrintingErrors errors(ctx.err);
    StatusLine line(ctx.err, ctx.errIsTerminal);
    const auto end = logging::launchLogging(link, ctx.port, errors, [&](double erasedPages) {
        if (interrupt.requested() && !explained) {
            line.note("A launch cannot be halted; it ends on its own within seconds.");
            explained = true;
        }
        line.show("Erasing page " + std::to_string(static_cast<int>(erasedPages)));
    });
    line.end();
    switch (end) {
        case logging::LaunchEnd::Launched:
            ctx.out << "Disconnect the serial cable from the Tiltavarometer! The shaker will shake "
                       "momentarily indicating that datalogging has begun.\n";
            return kDone;
        case logging::LaunchEnd::LaunchTimeFailed:
            ctx.err << "Launch Time write to EEPROM failed! Launch did not occur.\n";
            break;
        case logging::LaunchEnd::Failed:
            ctx.err << "Tiltavarometer failed to launch!\n";
            break;
        case logging::LaunchEnd::TickFailed:
            break;
    }
    return kDeviceFailed;
}

}  // namespace

std::vector<Command> loggingCommands() {
    return {
        {{"download"},
         "-o FILE [--resume]",
         "Copy the recording into FILE (and a linear one into its CSV file). Ctrl+C halts at a "
         "page boundary; --resume continues a halted FILE.",
         runDownload},
        {{"csv"}, "FILE", "Write the CSV file of the linear data file FILE.", runCsv},
        {{"erase"}, "--yes", "Erase the data memory; without --yes, only ask.", runErase},
        {{"launch"},
         "--yes",
         "Stamp the launch time, erase the memory and start logging; without --yes, only ask.",
         runLaunch},
    };
}

}  // namespace tilt::ctl
