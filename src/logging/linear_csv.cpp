#include "logging/linear_csv.h"

#include <exception>
#include <optional>

#include "common/error.h"
#include "common/error_reporter.h"
#include "logging/line_reader.h"
#include "logging/text_writer.h"

namespace tilt::logging {

namespace {

constexpr int kCopiedHeaderLines = 11;

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The next line of the data file; a read error is a failure of the conversion.
std::optional<std::string_view> nextLine(LineReader& reader, const std::string& path) {
    const auto line = reader.next();
    if (reader.readError() != 0) {
        throw fileError(reader.readError(), path, FileUse::Read);
    }
    if (!line) {
        return std::nullopt;
    }
    return line->text;
}

// What follows the page number; a line without a comma has no page number to drop.
std::string_view valuesOf(std::string_view line) {
    const std::size_t comma = line.find(',');
    return comma == std::string_view::npos ? line : line.substr(comma + 1);
}

// Cuts the text before the next comma off `rest`; the whole of `rest` when none is left.
std::string_view cutValue(std::string_view& rest) {
    const std::size_t comma = rest.find(',');
    const std::string_view value = rest.substr(0, comma);
    rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    return value;
}

void copyValues(LineReader& reader, const std::string& path, TextWriter& csv) {
    while (const auto line = nextLine(reader, path)) {
        std::string_view rest = valuesOf(*line);
        while (rest.find(',') != std::string_view::npos) {
            csv.writeLine(cutValue(rest));
        }
        csv.writeLine(rest);
    }
}

void copyPairs(LineReader& reader, const std::string& path, TextWriter& csv) {
    std::string pair;
    while (const auto line = nextLine(reader, path)) {
        std::string_view rest = valuesOf(*line);
        // A lone value left without a comma after it has no partner and is dropped.
        while (rest.find(',') != std::string_view::npos) {
            pair.assign(cutValue(rest));
            pair += ',';
            pair.append(cutValue(rest));
            csv.writeLine(pair);
        }
    }
}

void convert(const std::string& dataFileName) {
    const std::string csvPath = csvPathFor(dataFileName);
    const FilePtr input = openForReading(dataFileName);
    TextWriter csv(csvPath, TextWriter::Mode::Create);
    LineReader reader(input.get());

    char channel = 0;
    for (int n = 1; n <= kCopiedHeaderLines; ++n) {
        const auto line = nextLine(reader, dataFileName);
        if (!line) {
            throw Error(errc::kInputPastEndOfFile,
                        "Input past end of file: \"" + dataFileName + "\" ends after " +
                            std::to_string(n - 1) +
                            " lines, before the end of its header. It is no complete data file.");
        }
        csv.writeLine(*line);
        channel = line->empty() ? '\0' : line->back();
    }
    (void)nextLine(reader, dataFileName);  // the data file's column line; ours replaces it

    if (channel == '1' || channel == '2') {
        csv.writeLine(channel == '1' ? "X angle" : "Y angle");
        copyValues(reader, dataFileName, csv);
    } else if (channel == '3') {
        csv.writeLine("X angle,Y angle");
        copyPairs(reader, dataFileName, csv);
    }
    csv.close();
}

}  // namespace

std::string csvPathFor(const std::string& dataFileName) {
    // Characters, not bytes: a name ending in "ö.tlg" keeps its last letter whole.
    std::size_t end = dataFileName.size();
    for (int dropped = 0; dropped < 4; ++dropped) {
        if (end == 0) {
            throw Error(errc::kBadArgument,
                        "Invalid procedure call or argument: the data file name \"" + dataFileName +
                            "\" is too short to make the CSV file name from.");
        }
        --end;
        while (end > 0 && isContinuationByte(dataFileName[end])) {
            --end;
        }
    }
    return dataFileName.substr(0, end) + ".csv";
}

bool makeLinearCsv(const std::string& dataFileName, ErrorReporter& errors,
                   std::string_view screen) {
    std::optional<Error> failure;
    try {
        convert(dataFileName);
    } catch (const Error& e) {
        failure = e;
    } catch (const std::exception& e) {
        failure = Error(errc::kPathFileAccess, "Path/File access error: \"" + dataFileName +
                                                   "\" could not be converted (" + e.what() + ").");
    }
    if (failure) {
        errors.report(*failure, "MakeLinearCSV", screen);
    }
    return !failure;
}

}  // namespace tilt::logging
