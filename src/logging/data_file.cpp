#include "logging/data_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <exception>
#include <limits>

#include "common/app_state.h"
#include "common/error.h"
#include "common/error_reporter.h"
#include "common/file_dialogs.h"
#include "common/number_text.h"
#include "common/rounding.h"
#include "common/text_value.h"
#include "link/protocol.h"
#include "logging/line_reader.h"
#include "logging/text_writer.h"

namespace tilt::logging {

namespace {

constexpr std::size_t kHeaderLineCount = 12;
constexpr std::uint8_t kButtonPushMarker = 127;

// What a page line holds, from the logging mode and the linear channel.
enum class PageLayout { Bins, XAngles, YAngles, AnglePairs, Nothing };

PageLayout layoutFor(RecordingMode mode, LinearChannel channel) {
    if (mode == RecordingMode::Bin) {
        return PageLayout::Bins;
    }
    if (mode == RecordingMode::Linear) {
        switch (channel) {
            case LinearChannel::X:
                return PageLayout::XAngles;
            case LinearChannel::Y:
                return PageLayout::YAngles;
            case LinearChannel::Both:
                return PageLayout::AnglePairs;
        }
    }
    return PageLayout::Nothing;
}

// A header's number as the byte the logger holds; nothing for any other number.
std::optional<std::uint8_t> cellByte(double value) {
    if (!(value >= 0 && value <= 255) || value != static_cast<int>(value)) {
        return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

// The layout a file's header lines give: that of an undefined mode for numbers no logger holds.
PageLayout layoutFor(double mode, double channel) {
    const auto modeByte = cellByte(mode);
    if (!modeByte) {
        return PageLayout::Nothing;
    }
    // A bin file's channel line does not matter.
    const auto channelByte = cellByte(channel);
    return layoutFor(RecordingMode{*modeByte},
                     channelByte ? LinearChannel{*channelByte} : LinearChannel{});
}

std::string columnLine(PageLayout layout) {
    switch (layout) {
        case PageLayout::Bins:
            return "Page,Data-->";
        case PageLayout::XAngles:
            return "Page,X Data-->";
        case PageLayout::YAngles:
            return "Page,Y Data-->";
        case PageLayout::AnglePairs:
            return "Page,X Data-->,Y Data-->";
        case PageLayout::Nothing:
            break;
    }
    return {};
}

// Fields of a complete page line, the page number included.
std::size_t pageLineFields(PageLayout layout) {
    switch (layout) {
        case PageLayout::Bins:
            return 1 + link::kPageBytes / 2;
        case PageLayout::XAngles:
        case PageLayout::YAngles:
        case PageLayout::AnglePairs:
            return 1 + link::kPageBytes;
        case PageLayout::Nothing:
            break;
    }
    return 2;
}

// The 256 possible sample texts of one axis, made once: a linear page is 264 table look-ups.
class AngleTexts {
  public:
    explicit AngleTexts(double fullScale) {
        for (std::size_t b = 0; b < texts_.size(); ++b) {
            const std::string text =
                numberText(sampleAngle(static_cast<std::uint8_t>(b), fullScale));
            auto& entry = texts_[b];
            entry.size =
                static_cast<std::uint8_t>(text.copy(entry.chars.data(), entry.chars.size()));
        }
    }

    void append(std::string& out, std::uint8_t sample) const {
        const auto& entry = texts_[sample];
        out.append(entry.chars.data(), entry.size);
    }

  private:
    struct Entry {
        std::array<char, 8> chars{};  // the longest is "-177.2"
        std::uint8_t size = 0;
    };
    std::array<Entry, 256> texts_{};
};

const AngleTexts& xTexts() {
    static const AngleTexts texts(link::kFullScaleX);
    return texts;
}

const AngleTexts& yTexts() {
    static const AngleTexts texts(link::kFullScaleY);
    return texts;
}

void appendBins(std::string& out, std::span<const std::uint8_t> page) {
    out.reserve(page.size() / 2 * 6);
    for (std::size_t k = 0; k + 1 < page.size(); k += 2) {
        if (k != 0) {
            out += ',';
        }
        appendNumberText(out, page[k] * 256.0 + page[k + 1]);
    }
}

void appendAngles(std::string& out, std::span<const std::uint8_t> page, const AngleTexts& texts) {
    out.reserve(page.size() * 7);
    for (std::size_t k = 0; k < page.size(); ++k) {
        if (k != 0) {
            out += ',';
        }
        texts.append(out, page[k]);
    }
}

void appendPairs(std::string& out, std::span<const std::uint8_t> page) {
    const AngleTexts& x = xTexts();
    const AngleTexts& y = yTexts();
    out.reserve(page.size() * 7);
    for (std::size_t k = 0; k + 1 < page.size(); k += 2) {
        if (k != 0) {
            out += ',';
        }
        if (page[k] == kButtonPushMarker && page[k + 1] == kButtonPushMarker) {
            out += "BP,BP";
            continue;
        }
        x.append(out, page[k]);
        out += ',';
        y.append(out, page[k + 1]);
    }
}

// The number after a header label ("Bin/Linear Mode = 1"); not a number when the label is
// missing, which gives the layout of an undefined mode.
double headerValue(const std::vector<std::string>& header, std::size_t index,
                   std::string_view label) {
    if (index >= header.size() || !header[index].starts_with(label)) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    return leadingNumber(std::string_view(header[index]).substr(label.size()));
}

bool isCompletePageLine(const LineReader::Line& line, std::size_t fields) {
    return line.endsWithCrLf &&
           static_cast<std::size_t>(std::count(line.text.begin(), line.text.end(), ',')) + 1 ==
               fields;
}

// Line writers never throw: each reports its own failure, and its caller decides whether to go
// on. `what` adds to the report what the line was.
template <typename MakeLine>
bool writeReportedLine(const std::string& dataFileName, std::string_view source,
                       ErrorReporter& errors, Durability durability, MakeLine makeLine,
                       std::string_view what = {}) {
    std::optional<Error> failure;
    try {
        appendLine(dataFileName, makeLine(), durability);
    } catch (const Error& e) {
        failure = e;
    } catch (const std::exception& e) {
        failure = Error(errc::kPathFileAccess, "Path/File access error: \"" + dataFileName +
                                                   "\" cannot be written (" + e.what() + ").");
    }
    if (failure) {
        const std::string description = what.empty()
                                            ? failure->description()
                                            : failure->description() + " " + std::string(what);
        errors.handleError(failure->number(), source, "General", description);
    }
    return !failure;
}

}  // namespace

std::optional<std::int32_t> pageNumberOf(std::string_view line) {
    const std::string_view field = line.substr(0, line.find(','));
    std::int32_t page = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), page);
    if (ec != std::errc() || end != field.data() + field.size() || page <= 0) {
        return std::nullopt;
    }
    return page;
}

DataFileHeader liveFileHeader(const AppState& state) {
    DataFileHeader header = state.downloadedHeader.value_or(DataFileHeader{});
    header.appVersion = state.appVersion;
    return header;
}

std::vector<std::string> headerLines(std::string_view kind, const DataFileHeader& header) {
    std::vector<std::string> lines = {
        std::string(kFirstLinePrefix) + header.appVersion,
        std::string(kind),
        std::string(kFirmwareLabel) + header.firmwareVersion,
        std::string(kSerialNumberLabel) + numberText(header.serialNumber),
        std::string(kLaunchTimeLabel) + header.launchTime,
        std::string(kFrequencyLabel) + header.samplingFrequency,
        std::string(kGainsLabel) + header.channelGains,
        std::string(kOffsetsLabel) + header.channelOffsets,
        std::string(kTaresLabel) + header.tares,
    };
    if (kind == kDownloadPages) {
        lines.push_back(std::string(kModePrefix) + numberText(cellValue(header.mode)));
        lines.push_back(std::string(kChannelPrefix) + numberText(cellValue(header.channel)));
        lines.push_back(columnLine(layoutFor(header.mode, header.channel)));
    } else if (kind == kAngles) {
        lines.emplace_back("Time(seconds),Angle X,Angle Y");
    } else if (kind == kAccelerometers) {
        lines.emplace_back("Time(seconds),Acc X,Acc Y,Acc Z");
    }
    return lines;
}

std::optional<std::string> chooseDataFile(FileDialogs& dialogs,
                                          const std::filesystem::path& dataFilesFolder,
                                          bool confirmOverwrite) {
    FileDialogs::Request request;
    request.title = "Save As";
    request.filter = "All Files (*.*);;Text Files(*.txt);;TLG Files (*.tlg)";
    request.selectedFilter = "TLG Files (*.tlg)";
    request.folder = dataFilesFolder.string();
    // A name typed without an extension gets ".tlg": the Graph window's Open lists *.tlg, and
    // a linear download's CSV file is named by putting ".csv" in place of the extension.
    request.defaultSuffix = "tlg";
    request.confirmOverwrite = confirmOverwrite;
    return dialogs.save(request);
}

void writeDataFileHeader(const std::string& file, std::string_view kind,
                         const DataFileHeader& header) {
    TextWriter out(file, TextWriter::Mode::Create);
    for (const std::string& line : headerLines(kind, header)) {
        out.writeLine(line);
    }
    out.close();
    syncToDisk(file);
}

std::optional<std::string> createDataFile(FileDialogs& dialogs,
                                          const std::filesystem::path& dataFilesFolder,
                                          std::string_view kind, const DataFileHeader& header) {
    std::optional<std::string> chosen = chooseDataFile(dialogs, dataFilesFolder);
    if (chosen) {
        try {
            writeDataFileHeader(*chosen, kind, header);
        } catch (const Error&) {
            // Left unreported on purpose: every line written to this file later reports it.
        }
    }
    return chosen;
}

double sampleAngle(std::uint8_t sample, double fullScale) {
    const double angle =
        sample <= 128 ? sample / 128.0 * fullScale : (255 - sample) / 128.0 * -fullScale;
    return roundHalfEven(angle, 1);
}

std::string pageLineText(std::span<const std::uint8_t> page, RecordingMode mode,
                         LinearChannel channel) {
    std::string out;
    switch (layoutFor(mode, channel)) {
        case PageLayout::Bins:
            appendBins(out, page);
            break;
        case PageLayout::XAngles:
            appendAngles(out, page, xTexts());
            break;
        case PageLayout::YAngles:
            appendAngles(out, page, yTexts());
            break;
        case PageLayout::AnglePairs:
            appendPairs(out, page);
            break;
        case PageLayout::Nothing:
            break;
    }
    return out;
}

bool writeDownloadPagesToFile(const std::string& dataFileName, std::int32_t page,
                              const std::string& pageLine, ErrorReporter& errors) {
    const std::string lost = "Page " + std::to_string(page) +
                             " was not written: the file ends with the page before it, and the "
                             "download can be continued from there once this is put right.";
    return writeReportedLine(
        dataFileName, "WriteDownloadPagesToFile", errors, Durability::Disk,
        [&] {
            std::string line;
            line.reserve(pageLine.size() + 8);
            appendNumberText(line, page);
            line += ',';
            line += pageLine;
            return line;
        },
        lost);
}

bool writeAnglesToFile(const std::string& dataFileName, const std::string& time, double angleX,
                       double angleY, ErrorReporter& errors) {
    return writeReportedLine(dataFileName, "WriteAnglesToFile", errors, Durability::System, [&] {
        std::string line = time;
        for (const double value : {angleX, angleY}) {
            line += ',';
            appendNumberText(line, value);
        }
        return line;
    });
}

bool writeAccelerometersToFile(const std::string& dataFileName, const std::string& time,
                               double accX, double accY, double accZ, ErrorReporter& errors) {
    return writeReportedLine(dataFileName, "WriteAccelerometersToFile", errors, Durability::System,
                             [&] {
                                 std::string line = time;
                                 for (const double value : {accX, accY, accZ}) {
                                     line += ',';
                                     appendNumberText(line, value);
                                 }
                                 return line;
                             });
}

std::optional<PartialDownload> inspectPartialDownload(const std::filesystem::path& file) {
    // A device (/dev/zero, /dev/full) would read for ever and is no download anyway.
    std::error_code code;
    if (!std::filesystem::is_regular_file(file, code)) {
        return std::nullopt;
    }
    FilePtr input(std::fopen(file.string().c_str(), "rb"));
    if (!input) {
        return std::nullopt;
    }
    LineReader reader(input.get());
    PartialDownload result;
    std::optional<LineReader::Line> line;
    while (result.header.size() < kHeaderLineCount && (line = reader.next())) {
        if (!line->endsWithCrLf) {
            result.cutOff = true;
            break;
        }
        result.header.emplace_back(line->text);
        result.completeBytes = reader.consumed();
    }
    if (result.header.size() < 2 || result.header[1] != kDownloadPages) {
        return std::nullopt;
    }
    if (result.header.size() == kHeaderLineCount) {
        const std::size_t fields =
            pageLineFields(layoutFor(headerValue(result.header, 9, kModePrefix),
                                     headerValue(result.header, 10, kChannelPrefix)));
        // Pages count only up to the first bad line: a resumed download continues from there.
        while ((line = reader.next())) {
            const auto page = pageNumberOf(line->text);
            if (!page || !isCompletePageLine(*line, fields)) {
                result.cutOff = true;
                break;
            }
            result.lastPage = *page;
            result.completeBytes = reader.consumed();
        }
    }
    if (reader.readError() != 0) {
        return std::nullopt;
    }
    return result;
}

namespace {

// Every field after the page number is a number; in pairs, "BP" stands for a button push.
bool fieldsAreNumbers(std::string_view line, PageLayout layout) {
    std::size_t from = line.find(',');
    while (from != std::string_view::npos) {
        const std::size_t next = line.find(',', from + 1);
        const std::string_view field =
            line.substr(from + 1, next == std::string_view::npos ? next : next - from - 1);
        double value = 0;
        const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
        const bool number = ec == std::errc() && end == field.data() + field.size();
        if (!number && !(layout == PageLayout::AnglePairs && field == "BP")) {
            return false;
        }
        from = next;
    }
    return true;
}

}  // namespace

std::optional<std::string> verifyDownloadFile(const std::string& file, const DataFileHeader& header,
                                              std::int32_t lastPage) {
    FilePtr input(std::fopen(file.c_str(), "rb"));
    if (!input) {
        return "It cannot be read back.";
    }
    LineReader reader(input.get());
    const auto expected = headerLines(kDownloadPages, header);
    for (std::size_t i = 0; i < kHeaderLineCount; ++i) {
        const auto line = reader.next();
        if (!line || !line->endsWithCrLf || (i > 0 && line->text != expected[i])) {
            return "Its header (line " + std::to_string(i + 1) + ") is not the logger's.";
        }
    }
    const PageLayout layout = layoutFor(header.mode, header.channel);
    const std::size_t fields = pageLineFields(layout);
    std::int32_t pages = 0;
    while (const auto line = reader.next()) {
        const std::string where = "The line after page " + std::to_string(pages);
        if (pageNumberOf(line->text) != pages + 1) {
            return where + " is not page " + std::to_string(pages + 1) + ".";
        }
        if (!isCompletePageLine(*line, fields) || !fieldsAreNumbers(line->text, layout)) {
            return "Page " + std::to_string(pages + 1) + " is not a complete line of numbers.";
        }
        ++pages;
    }
    if (reader.readError() != 0) {
        return "It cannot be read back to its end.";
    }
    if (pages != lastPage) {
        return "It holds " + std::to_string(pages) + " pages, not " + std::to_string(lastPage) +
               ".";
    }
    return std::nullopt;
}

}  // namespace tilt::logging
