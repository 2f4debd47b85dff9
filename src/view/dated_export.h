#pragma once

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>

#include "common/data_file_header.h"
#include "common/recordings_library.h"
#include "view/recording_clock.h"

namespace tilt::view {

// What a downloaded data file's header says, read for an export or a report. Throws tilt::Error
// with a message that names the file and what is wrong with it when it is not a readable
// "Download Pages" file of this program.
struct RecordingHeader {
    DataFileHeader fields;
    int modeValue = -1;     // line 10: 0 bin, 1 linear
    int channelValue = -1;  // line 11: 1 X, 2 Y, 3 both
    [[nodiscard]] bool linear() const { return modeValue == 1; }
    [[nodiscard]] bool hasX() const { return channelValue == 1 || channelValue == 3; }
    [[nodiscard]] bool hasY() const { return channelValue == 2 || channelValue == 3; }
};
[[nodiscard]] RecordingHeader readRecordingHeader(const std::string& file);

// The moment logging started of the recording in `file`, as `library` keeps it for a launch
// made here; nothing when it keeps none, cannot be read, or the file's header cannot.
[[nodiscard]] std::optional<LocalMillis> loggingStartIn(RecordingsLibrary& library,
                                                        const std::string& file);

// Where the times of a linear recording's samples come from: slot n was sampled n / frequency
// seconds after `start`.
struct SampleClock {
    enum class Start {
        LaunchStamp,   // the header's launch time: written at launch, before the erase
        LoggingStart,  // the moment the logger reported that logging started
        Unknown,       // the header's launch time is no date
    };
    Start source = Start::Unknown;
    std::optional<LocalMillis> start;
    std::optional<double> frequency;  // samples a second; nothing when the header's is no number

    // Milliseconds from the start to slot `slot`, to the nearest; nothing without a frequency.
    [[nodiscard]] std::optional<std::int64_t> offsetMs(long slot) const;
};

// The clock of a recording: from `loggingStarted` when the moment logging started is known
// (the recordings library keeps it for launches made by this program), else from the header's
// launch stamp.
[[nodiscard]] SampleClock sampleClockOf(const DataFileHeader& header,
                                        std::optional<LocalMillis> loggingStarted = {});

// One sample slot of a linear recording: a sample of a one-channel recording, an X,Y pair of a
// two-channel one. The texts are the data file's own, valid during the call.
struct SampleRow {
    long slot = 0;
    std::optional<LocalMillis> time;
    std::optional<std::int64_t> offsetMs;
    std::string_view x, y;  // empty for a channel not recorded, and on a push marker
    double xValue = 0, yValue = 0;
    bool push = false;  // the logger's button was pushed here
};

// One bin page pair: the X page and the page after it (none when the X page is the last).
struct BinRow {
    long pair = 0;  // from 1
    std::string_view xPage, yPage;
    std::span<const std::string_view> x, y;  // y empty without a Y page
};

// Receives an export as it is read: first the notes on where the values and times come from,
// then the column names, then the rows.
class ExportSink {
  public:
    virtual ~ExportSink() = default;
    virtual void note(std::string_view text) = 0;
    virtual void columns(std::span<const std::string_view> names) = 0;
    virtual void sample(const SampleRow& row) = 0;
    virtual void bins(const BinRow& row) = 0;
};

struct ExportOptions {
    std::optional<LocalMillis> loggingStarted;  // see sampleClockOf
    std::stop_token stop;  // a stop asked for ends the export with errc::kDialogCancelled
};

// Reads the data file page by page into `sink`: the notes, the columns, then one row per sample
// slot (linear) or page pair (bin). Holds one page line at a time. Throws tilt::Error naming the
// file, the line and what is wrong with it when a page line is damaged; the rows before it
// have been handed on. Returns the rows handed on.
long exportRecording(const std::string& file, ExportSink& sink, const ExportOptions& options = {});

// Writes an export as CSV lines ("#" lines, the column line, the rows) to `line`.
class CsvSink : public ExportSink {
  public:
    explicit CsvSink(std::function<void(std::string_view)> line) : line_(std::move(line)) {}
    void note(std::string_view text) override;
    void columns(std::span<const std::string_view> names) override;
    void sample(const SampleRow& row) override;
    void bins(const BinRow& row) override;

  private:
    std::function<void(std::string_view)> line_;
    std::string text_;
    bool withX_ = false, withY_ = false;
};

}  // namespace tilt::view
