#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/recordings_library.h"
#include "link/clock.h"
#include "logging/data_file.h"
#include "logging/download_parameters.h"
#include "logging/erase.h"
#include "logging/page_transfer.h"

namespace tilt::link {
class JobScope;
}

namespace tilt::logging {

// What becomes of a data file that exists already.
enum class ExistingFile {
    Restart,   // start it afresh with a new header
    Continue,  // go on after its last complete page line
    Refuse,    // leave it alone and download nothing
};

// A data file that exists already, as the download finds it.
struct ExistingDataFile {
    std::string file;
    // What it holds when it is a cut-off download of this very recording; nothing when it is
    // anything else.
    std::optional<PartialDownload> partial;
    // For a partial download: asks the logger whether its recording ends after the file's last
    // page (true), goes on (false), or could not be told (nothing). Call it on the download's
    // thread; it costs two page requests.
    std::function<std::optional<bool>()> recordingEndsThere;
};

// What only a front end knows: the user's answers, and where progress is shown. The download
// calls these on its own thread, in this order, as far as it gets.
class DownloadFrontEnd {
  public:
    virtual ~DownloadFrontEnd() = default;

    // How many of the four parameter steps have succeeded.
    virtual void parameterStepsDone(int /*steps*/) {}
    // The mode step has succeeded: the logging mode and channel (EEPROM 42 and 43).
    virtual void modeRead(RecordingMode /*mode*/, LinearChannel /*channel*/) {}
    // Everything the data file's header will carry has been read.
    virtual void headerRead(const DataFileHeader& /*header*/) {}
    // The data file to write (asked only when the request names none); nothing: cancelled.
    virtual std::optional<std::string> chooseFile() = 0;
    // The file to write exists: continue it, start it afresh, or leave it alone.
    virtual ExistingFile existingFile(const ExistingDataFile& existing) = 0;
    // The first page is about to be asked for.
    virtual void transferStarting(std::int32_t /*firstPage*/) {}
    virtual void transferProgress(const TransferProgress& /*progress*/) {}
    // The file has been read back and checked; the erase has begun.
    virtual void eraseStarting() {}
    virtual void eraseProgress(const EraseProgress& /*progress*/) {}
};

// A front end with nothing to ask: the request names the file, and an existing one is replaced.
class ReplacingDownload : public DownloadFrontEnd {
  public:
    std::optional<std::string> chooseFile() override { return std::nullopt; }
    ExistingFile existingFile(const ExistingDataFile& /*existing*/) override {
        return ExistingFile::Restart;
    }
};

struct DownloadRequest {
    std::int32_t pageCount = 2048;
    std::string appVersion;              // line 1 of the file
    std::string decimalSeparator = ".";  // of the firmware version and sampling frequency
    ParameterReading parameterReading;   // see readRecordingHeader
    // A file named before anything is sent (from a command line): it is checked for writing
    // first, so that a typo costs no device time.
    std::optional<std::string> file;
    std::optional<link::Nanos> lastReceive;         // the last reply of an earlier transfer
    std::optional<link::Nanos> giveUpAfterSilence;  // see TransferOptions, EraseOptions
    // Erase the logger's memory once the download has completed and its file has been read
    // back and checked; never after a download that ended any other way.
    bool eraseAfter = false;
    // Where a download that wrote a data file is recorded, and by which program; none: nowhere.
    RecordingsLibrary* library = nullptr;
    std::string program;
};

enum class DownloadEnd {
    Completed,         // every page is in the file, and a linear recording has its CSV file
    AlreadyComplete,   // the file to continue held every page already; nothing was asked for
    Stopped,           // stopped by the user; the file keeps its whole lines
    ParametersFailed,  // a parameter step got the wrong number of bytes (see failedStep)
    Cancelled,         // no file was chosen
    NoFileName,        // the file chosen has no name
    Refused,           // the front end would not touch the existing file
    FileFailed,        // the file cannot be written (reported); nothing or no more was asked for
    PortFailed,        // the port could not be opened or failed (reported)
    DeviceSilent,      // the device stopped answering for longer than the request allows
};

// What the user is told when the file to continue held every page already.
inline constexpr std::string_view kAlreadyCompleteMessage =
    "This file holds every page of the logger's memory already; nothing was downloaded.";

struct DownloadResult {
    DownloadEnd end = DownloadEnd::Completed;
    std::optional<ParameterStep> failedStep;
    DataFileHeader header;  // as far as it was read
    std::string file;
    std::int32_t firstPage = 0;    // 0 for a new file; after its last line for a continued one
    std::int32_t pagesInFile = 0;  // the last page the file holds when the download ended
    TransferResult transfer;       // where the page transfer ended, when it ran
    bool transferStarted = false;  // pages were asked for
    // Why a parameter step failed when the port failed under it (no report went to the error
    // handler: the step's message tells the user).
    std::string parameterPortFailure;
    bool csvFailed = false;  // a linear recording's CSV file could not be written (reported)
    // With eraseAfter: how the erase ended, when it ran; else why the logger was not erased.
    std::optional<EraseEnd> erase;
    std::string notErasedBecause;
    // Why the library could not record the download (the download stands); empty when it did.
    std::string libraryProblem;
};

// The download, from the parameters to the CSV file: reads the parameters, gets the file (and
// for a named file checks it can be written before anything is sent), decides with the front
// end whether an existing file is continued, writes the header, transfers the pages (each line
// on disk before the next request) and makes the CSV of a completed linear recording. Every
// failure it can meet ends it with a result; unexpected ones have gone to the job's
// error handler.
[[nodiscard]] DownloadResult runDownload(const link::JobScope& job, const DownloadRequest& request,
                                         DownloadFrontEnd& frontEnd);

// What `file` holds when it is a cut-off download of the same recording: its header lines 3 to
// 12 are those `header` gives. Nothing when it is something else.
[[nodiscard]] std::optional<PartialDownload> partialDownloadOf(const std::string& file,
                                                               const DataFileHeader& header);

}  // namespace tilt::logging
