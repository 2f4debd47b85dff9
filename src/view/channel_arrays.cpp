#include "view/channel_arrays.h"

#include <cstdio>
#include <memory>

#include "common/error.h"
#include "common/error_reporter.h"
#include "common/rounding.h"
#include "common/text_value.h"
#include "logging/line_reader.h"

namespace tilt::view {

namespace {

constexpr int kHeaderLines = 12;
constexpr int kSamplesPerPage = 264;
constexpr int kPairsPerPage = 132;
constexpr std::string_view kButtonPush = "BP";

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

File openFile(const std::string& file) {
    File handle(std::fopen(file.c_str(), "rb"), &std::fclose);
    if (!handle) {
        throw Error(errc::kFileNotFound, "File not found: " + file);
    }
    return handle;
}

// Cuts the text before the next comma off `rest`; a missing comma means the line is short.
std::string_view takeField(std::string_view& rest, long lineNumber) {
    const auto comma = rest.find(',');
    if (comma == std::string_view::npos) {
        throw Error(errc::kBadArgument, "Invalid procedure call or argument: line " +
                                            std::to_string(lineNumber) +
                                            " holds fewer values than a page has");
    }
    const std::string_view field = rest.substr(0, comma);
    rest.remove_prefix(comma + 1);
    return field;
}

std::int16_t sampleOf(std::string_view text) {
    return toInt16(leadingNumber(text));
}

// Reads the page lines after the header, handing each line (without its page number) to
// `takeLine`. False when the file ends inside the header.
template <typename TakeLine>
bool readPageLines(const std::string& file, TakeLine takeLine) {
    const File handle = openFile(file);
    logging::LineReader reader(handle.get());
    for (int i = 0; i < kHeaderLines; ++i) {
        if (!reader.next()) {
            return false;
        }
    }
    long lineNumber = kHeaderLines;
    while (const auto line = reader.next()) {
        ++lineNumber;
        std::string_view rest = line->text;
        const auto comma = rest.find(',');
        rest.remove_prefix(comma == std::string_view::npos ? 0 : comma + 1);
        takeLine(rest, lineNumber);
    }
    return true;
}

template <typename Parse>
ParseEnd parseInto(ChannelArrays& arrays, ErrorReporter& errors, const char* source,
                   std::string_view screen, Parse parse) {
    arrays = ChannelArrays{};
    try {
        return parse() ? ParseEnd::Done : ParseEnd::EndOfFile;
    } catch (const Error& e) {
        arrays = ChannelArrays{};
        errors.report(e, source, screen);
        return ParseEnd::Failed;
    }
}

}  // namespace

ParseEnd buildSingleChannelArray(const std::string& file, LinearChannel channel,
                                 ChannelArrays& arrays, ErrorReporter& errors,
                                 std::string_view screen) {
    return parseInto(arrays, errors, "BuildSingleChannelArray", screen, [&] {
        std::vector<std::int16_t> samples;
        const bool read = readPageLines(file, [&](std::string_view rest, long lineNumber) {
            for (int k = 1; k < kSamplesPerPage; ++k) {
                samples.push_back(sampleOf(takeField(rest, lineNumber)));
            }
            samples.push_back(sampleOf(rest));
        });
        if (!read) {
            return false;
        }
        samples.push_back(0);
        if (channel == LinearChannel::X) {
            arrays.x = std::move(samples);
        } else if (channel == LinearChannel::Y) {
            arrays.y = std::move(samples);
        }
        return true;
    });
}

ParseEnd buildDoubleChannelArrays(const std::string& file, ChannelArrays& arrays,
                                  ErrorReporter& errors, std::string_view screen,
                                  ButtonPushList* pushes) {
    if (pushes != nullptr) {
        *pushes = ButtonPushList{0};
    }
    return parseInto(arrays, errors, "BuildDoubleChannelArrays", screen, [&] {
        std::vector<std::int16_t> x;
        std::vector<std::int16_t> y;
        ButtonPushList found;
        const bool read = readPageLines(file, [&](std::string_view rest, long lineNumber) {
            for (int pair = 0; pair < kPairsPerPage; ++pair) {
                const std::string_view xField = takeField(rest, lineNumber);
                if (xField == kButtonPush) {
                    found.push_back(static_cast<double>(x.size()));
                }
                x.push_back(sampleOf(xField));
                y.push_back(
                    sampleOf(pair + 1 < kPairsPerPage ? takeField(rest, lineNumber) : rest));
            }
        });
        if (!read) {
            return false;
        }
        x.push_back(0);
        y.push_back(0);
        arrays.x = std::move(x);
        arrays.y = std::move(y);
        if (pushes != nullptr && !found.empty()) {
            *pushes = std::move(found);
        }
        return true;
    });
}

}  // namespace tilt::view
