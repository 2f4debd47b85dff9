#include "view/dated_export.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "common/error.h"
#include "common/number_text.h"
#include "logging/data_file.h"
#include "logging/line_reader.h"
#include "logging/text_writer.h"
#include "view/degree_arrays.h"

namespace tilt::view {

namespace {

using logging::kFirstLinePrefix;
constexpr int kHeaderLines = 12;  // 11 header lines and the column line
constexpr int kSamplesPerPage = 2 * kBins;
// The angles a data file can hold: X from -180 to 180 degrees, Y from -90 to 90.
constexpr double kLargestAngle = 180;
constexpr double kLargestCount = 65535;

[[noreturn]] void refuse(const std::string& file, const std::string& why) {
    throw Error(errc::kTypeMismatch, file + " " + why);
}

// The text after `label` on a header line; refuses a line without it.
std::string afterLabel(const std::string& file, int number, std::string_view line,
                       std::string_view label) {
    if (!line.starts_with(label)) {
        refuse(file, "is damaged: header line " + std::to_string(number) + " should start with \"" +
                         std::string(label) + "\".");
    }
    return std::string(line.substr(label.size()));
}

int smallNumber(std::string_view text) {
    int value = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size() ? value : -1;
}

// Cuts the text before the next comma off `rest`; the whole of `rest` when none is left.
std::string_view cutField(std::string_view& rest) {
    const std::size_t comma = rest.find(',');
    const std::string_view field = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    return field;
}

// The comma-separated fields of `text`; none for an empty text.
void splitFields(std::string_view text, std::vector<std::string_view>& fields) {
    fields.clear();
    if (text.empty()) {
        return;
    }
    while (text.data() != nullptr) {  // cutField leaves a null view once no comma is left
        fields.push_back(cutField(text));
    }
}

// A decimal number of the data file ("12.5", "-.7"); nothing for any other text, and for a
// value beyond `largest` either way.
std::optional<double> numberWithin(std::string_view text, double largest) {
    double value = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc{} || end != text.data() + text.size() || text.empty() ||
        !(std::abs(value) <= largest)) {
        return std::nullopt;
    }
    return value;
}

// Reads the page lines of one data file, each split into its page number and fields.
class PageLines {
  public:
    PageLines(const std::string& file, std::stop_token stop)
        : file_(file),
          handle_(logging::openForReading(file)),
          reader_(handle_.get()),
          stop_(std::move(stop)) {
        for (int i = 0; i < kHeaderLines; ++i) {
            (void)nextLine();
        }
    }

    // The next page line's fields after its page number, which must follow the one before (a
    // page missing would shift the times of every page after it); nothing at the end of the
    // file. Blank lines are passed over.
    std::optional<std::string_view> next() {
        if (stop_.stop_requested()) {
            throw Error(errc::kDialogCancelled, "Cancel was selected.");
        }
        std::optional<std::string_view> line;
        do {
            line = nextLine();
        } while (line && line->empty());
        if (!line) {
            return std::nullopt;
        }
        std::string_view rest = *line;
        page_ = cutField(rest);
        const auto number = logging::pageNumberOf(page_);
        if (!number) {
            refuseLine("it does not start with a page number.");
        }
        if (*number != expected_) {
            refuseLine("page " + std::to_string(*number) + " stands where page " +
                       std::to_string(expected_) +
                       " should: a page is missing or out of order, so the times after it "
                       "would be wrong.");
        }
        ++expected_;
        return rest;
    }

    [[noreturn]] void refuseLine(const std::string& why) const {
        refuse(file_, "is damaged at line " + std::to_string(number_) + " (page " +
                          std::string(page_.substr(0, 12)) + "): " + why +
                          " Nothing after that line was exported.");
    }

    [[nodiscard]] std::string_view page() const { return page_; }

  private:
    std::optional<std::string_view> nextLine() {
        const auto line = reader_.next();
        if (reader_.readError() != 0) {
            throw logging::fileError(reader_.readError(), file_, logging::FileUse::Read);
        }
        if (!line) {
            return std::nullopt;
        }
        ++number_;
        return line->text;
    }

    const std::string& file_;
    logging::FilePtr handle_;
    logging::LineReader reader_;
    std::stop_token stop_;
    int number_ = 0;
    std::int32_t expected_ = 1;
    std::string_view page_;
};

std::string frequencyNote(const DataFileHeader& header, const SampleClock& clock) {
    const std::string stated =
        "(header: \"Firmware Sampling Frequency: " + header.samplingFrequency + "\")";
    if (!clock.frequency) {
        return "The sampling frequency is not a number from 0.01 to 100000 " + stated +
               ": the samples carry no time.";
    }
    return "Sampling frequency: " + numberText(*clock.frequency) + " samples a second " + stated +
           "; sample n is n / frequency seconds after the start.";
}

std::string startNote(const DataFileHeader& header, const SampleClock& clock) {
    switch (clock.source) {
        case SampleClock::Start::LoggingStart:
            return "Times count from the moment logging started, as the recordings library "
                   "noted it at launch (the header's launch stamp, " +
                   header.launchTime + ", was written before the erase).";
        case SampleClock::Start::LaunchStamp:
            return "Times count from the launch stamp in the header (" + header.launchTime +
                   "), written when the logger was launched, before its memory was erased.";
        case SampleClock::Start::Unknown:
            break;
    }
    return "The header's launch time \"" + header.launchTime +
           "\" is not a date (MM/DD/YYYY hh:mm:ss): the time column is empty; seconds count "
           "from the first sample.";
}

long exportLinear(const std::string& file, const RecordingHeader& header, ExportSink& sink,
                  const SampleClock& clock, std::stop_token stop) {
    const DataFileHeader& h = header.fields;
    sink.note(startNote(h, clock));
    sink.note("Times are the launching PC's local clock, without zone (ISO 8601).");
    sink.note(frequencyNote(h, clock));
    sink.note("Angles in degrees as the data file holds them" +
              std::string(header.channelValue == 3
                              ? "; button is 1 where the logger's button was pushed (the "
                                "slot's angles are then empty)."
                              : "."));
    std::vector<std::string_view> names{"time", "seconds"};
    if (header.hasX()) {
        names.emplace_back("X");
    }
    if (header.hasY()) {
        names.emplace_back("Y");
    }
    names.emplace_back("button");
    sink.columns(names);

    PageLines pages(file, std::move(stop));
    std::vector<std::string_view> values;
    const bool pairs = header.channelValue == 3;
    const auto take = [&](std::string_view text, double& value) {
        const auto parsed = numberWithin(text, kLargestAngle);
        if (!parsed) {
            pages.refuseLine("\"" + std::string(text.substr(0, 20)) +
                             "\" is not an angle (-180 to 180 degrees).");
        }
        value = *parsed;
    };
    long slot = 0;
    while (const auto fields = pages.next()) {
        splitFields(*fields, values);
        if (values.size() != kSamplesPerPage) {
            pages.refuseLine("it holds " + std::to_string(values.size()) +
                             " values where a page holds " + std::to_string(kSamplesPerPage) + ".");
        }
        for (std::size_t i = 0; i < values.size(); i += pairs ? 2 : 1, ++slot) {
            SampleRow row;
            row.slot = slot;
            row.offsetMs = clock.offsetMs(slot);
            if (row.offsetMs && clock.start) {
                row.time = *clock.start + *row.offsetMs;
            }
            if (pairs && values[i] == "BP" && values[i + 1] == "BP") {
                row.push = true;
            } else if (pairs) {
                take(row.x = values[i], row.xValue);
                take(row.y = values[i + 1], row.yValue);
            } else if (header.channelValue == 1) {
                take(row.x = values[i], row.xValue);
            } else {
                take(row.y = values[i], row.yValue);
            }
            sink.sample(row);
        }
    }
    return slot;
}

long exportBins(const std::string& file, ExportSink& sink, std::stop_token stop) {
    sink.note(
        "A bin recording: each page pair counts how often the logger stood at each angle; "
        "bin pages carry no time.");
    sink.note(
        "X0 to X131 are the bins of the X page (-180 to 180 degrees), Y0 to Y131 those of "
        "the page after it (-90 to 90 degrees).");
    std::vector<std::string> names{"pair", "xPage", "yPage"};
    for (const char axis : {'X', 'Y'}) {
        for (int i = 0; i < kBins; ++i) {
            names.push_back(axis + std::to_string(i));
        }
    }
    const std::vector<std::string_view> views(names.begin(), names.end());
    sink.columns(views);

    PageLines pages(file, std::move(stop));
    std::vector<std::string_view> x;
    std::vector<std::string_view> y;
    std::string xLine;  // the X page's text, kept while the Y page is read
    std::string xPage;
    const auto split = [&](std::string_view fields, std::vector<std::string_view>& to) {
        splitFields(fields, to);
        if (to.size() != kBins) {
            pages.refuseLine("it holds " + std::to_string(to.size()) + " bins where a page holds " +
                             std::to_string(kBins) + ".");
        }
        for (const std::string_view count : to) {
            const auto value = numberWithin(count, kLargestCount);
            if (!value || *value < 0 || *value != std::floor(*value)) {
                pages.refuseLine("\"" + std::string(count.substr(0, 20)) +
                                 "\" is not a count (0 to 65535).");
            }
        }
    };
    long pair = 0;
    while (const auto first = pages.next()) {
        xLine = *first;
        xPage = pages.page();
        split(xLine, x);
        BinRow row;
        row.pair = ++pair;
        row.xPage = xPage;
        row.x = x;
        const auto second = pages.next();
        if (second) {
            split(*second, y);
            row.yPage = pages.page();
            row.y = y;
        }
        sink.bins(row);
        if (!second) {
            break;
        }
    }
    return pair;
}

}  // namespace

RecordingHeader readRecordingHeader(const std::string& file) {
    const logging::FilePtr handle = logging::openForReading(file);
    // Whatever else the file holds, it must start as a data file: a large file of anything else
    // is not read as one long first line.
    std::string start(kFirstLinePrefix.size(), '\0');
    start.resize(std::fread(start.data(), 1, start.size(), handle.get()));
    if (start != kFirstLinePrefix) {
        refuse(file, "is not a Tiltavarometer data file (its first line does not start with \"" +
                         std::string(kFirstLinePrefix) + "\").");
    }
    std::rewind(handle.get());
    logging::LineReader reader(handle.get(), 64 * 1024);
    std::vector<std::string> lines;
    while (lines.size() < kHeaderLines) {
        const auto line = reader.next();
        if (reader.readError() != 0) {
            throw logging::fileError(reader.readError(), file, logging::FileUse::Read);
        }
        if (!line) {
            break;
        }
        lines.emplace_back(line->text.substr(0, 4096));
    }
    if (lines.size() > 1 && (lines[1] == "Angles" || lines[1] == "Accelerometers")) {
        refuse(file, "is a live " + lines[1] +
                         " file: its lines carry their own times, the seconds since sampling "
                         "started. Open it in a spreadsheet as it is.");
    }
    if (lines.size() > 1 && lines[1] != "Download Pages") {
        refuse(file, "is not a download of a logger's memory (line 2 reads \"" +
                         lines[1].substr(0, 40) + "\", not \"Download Pages\").");
    }
    if (lines.size() < 11) {
        refuse(file, "ends inside its header (" + std::to_string(lines.size()) +
                         " of its 11 lines): it is cut off, and holds no page.");
    }
    RecordingHeader header;
    DataFileHeader& f = header.fields;
    f.appVersion = lines[0].substr(kFirstLinePrefix.size());
    f.firmwareVersion = afterLabel(file, 3, lines[2], logging::kFirmwareLabel);
    f.serialNumber =
        numberWithin(afterLabel(file, 4, lines[3], logging::kSerialNumberLabel), kLargestCount)
            .value_or(0);
    f.launchTime = afterLabel(file, 5, lines[4], logging::kLaunchTimeLabel);
    f.samplingFrequency = afterLabel(file, 6, lines[5], logging::kFrequencyLabel);
    f.channelGains = afterLabel(file, 7, lines[6], logging::kGainsLabel);
    f.channelOffsets = afterLabel(file, 8, lines[7], logging::kOffsetsLabel);
    f.tares = afterLabel(file, 9, lines[8], logging::kTaresLabel);
    header.modeValue = smallNumber(afterLabel(file, 10, lines[9], logging::kModePrefix));
    header.channelValue = smallNumber(afterLabel(file, 11, lines[10], logging::kChannelPrefix));
    if (header.modeValue != 0 && header.modeValue != 1) {
        refuse(file, "names neither bin nor linear mode on line 10 (\"" + lines[9].substr(0, 40) +
                         "\"): its pages cannot be read.");
    }
    if (header.linear() && !header.hasX() && !header.hasY()) {
        refuse(file, "names no linear channel (1, 2 or 3) on line 11 (\"" +
                         lines[10].substr(0, 40) + "\"): its pages cannot be read.");
    }
    f.mode = static_cast<RecordingMode>(header.modeValue);
    f.channel = static_cast<LinearChannel>(header.linear() ? header.channelValue : 1);
    return header;
}

std::optional<std::int64_t> SampleClock::offsetMs(long slot) const {
    if (!frequency) {
        return std::nullopt;
    }
    return std::llround(static_cast<double>(slot) * 1000.0 / *frequency);
}

std::optional<LocalMillis> loggingStartIn(RecordingsLibrary& library, const std::string& file) {
    try {
        const RecordingHeader header = readRecordingHeader(file);
        const auto started = library.loggingStarted(
            {static_cast<std::int64_t>(header.fields.serialNumber), header.fields.launchTime});
        return started ? parseIsoTime(*started) : std::nullopt;
    } catch (const LibraryError&) {
    } catch (const Error&) {
    }
    return std::nullopt;
}

SampleClock sampleClockOf(const DataFileHeader& header, std::optional<LocalMillis> loggingStarted) {
    SampleClock clock;
    clock.frequency = parseSamplingFrequency(header.samplingFrequency);
    if (loggingStarted) {
        clock.source = SampleClock::Start::LoggingStart;
        clock.start = loggingStarted;
    } else if (const auto stamp = parseLaunchTime(header.launchTime)) {
        clock.source = SampleClock::Start::LaunchStamp;
        clock.start = stamp;
    }
    return clock;
}

long exportRecording(const std::string& file, ExportSink& sink, const ExportOptions& options) {
    const RecordingHeader header = readRecordingHeader(file);
    if (!header.linear()) {
        return exportBins(file, sink, options.stop);
    }
    return exportLinear(file, header, sink, sampleClockOf(header.fields, options.loggingStarted),
                        options.stop);
}

void CsvSink::note(std::string_view text) {
    text_.assign("# ");
    text_.append(text);
    line_(text_);
}

void CsvSink::columns(std::span<const std::string_view> names) {
    text_.clear();
    for (const std::string_view name : names) {
        withX_ = withX_ || name == "X";
        withY_ = withY_ || name == "Y";
        if (!text_.empty()) {
            text_.push_back(',');
        }
        text_.append(name);
    }
    line_(text_);
}

void CsvSink::sample(const SampleRow& row) {
    text_.clear();
    if (row.time) {
        appendIsoTime(text_, *row.time);
    }
    text_.push_back(',');
    if (row.offsetMs) {
        appendSeconds(text_, *row.offsetMs);
    }
    if (withX_) {
        text_.push_back(',');
        text_.append(row.x);
    }
    if (withY_) {
        text_.push_back(',');
        text_.append(row.y);
    }
    text_.append(row.push ? ",1" : ",");
    line_(text_);
}

void CsvSink::bins(const BinRow& row) {
    text_ = std::to_string(row.pair);
    text_.push_back(',');
    text_.append(row.xPage);
    text_.push_back(',');
    text_.append(row.yPage);
    for (const auto& page : {row.x, row.y}) {
        for (int i = 0; i < kBins; ++i) {
            text_.push_back(',');
            if (!page.empty()) {
                text_.append(page[static_cast<std::size_t>(i)]);
            }
        }
    }
    line_(text_);
}

}  // namespace tilt::view
