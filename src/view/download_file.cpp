#include "view/download_file.h"

#include <fstream>
#include <sstream>

#include "common/error.h"
#include "common/error_reporter.h"
#include "common/text_value.h"

namespace tilt::view {

namespace {

constexpr std::size_t kHeaderLines = 11;

std::optional<std::string> readAll(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << in.rdbuf();
    return std::move(text).str();
}

// The lines of `text` without their CR LF (or LF) ends.
std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

// Drops the page number, then 131 fields ended by commas and the rest as the last bin.
void splitBins(std::string_view line, PointArray& bins) {
    bins.fill(0);
    auto comma = line.find(',');
    line.remove_prefix(comma == std::string_view::npos ? line.size() : comma + 1);
    for (std::size_t i = 0; i + 1 < bins.size(); ++i) {
        comma = line.find(',');
        if (comma == std::string_view::npos) {
            throw Error(errc::kBadArgument,
                        "Invalid procedure call or argument: a bin line holds fewer than 132 "
                        "counts");
        }
        bins[i] = numberValue(line.substr(0, comma));
        line.remove_prefix(comma + 1);
    }
    bins.back() = numberValue(line);
}

}  // namespace

// The first `count` lines of a file without their line ends, fewer when the file is shorter.
std::optional<std::vector<std::string>> readFirstLines(const std::string& file, std::size_t count) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    for (std::string line; lines.size() < count && std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::optional<DownloadFileHeader> readDownloadFileHeader(const std::string& file) {
    const auto lines = readFirstLines(file, kHeaderLines);
    if (!lines) {
        return std::nullopt;
    }
    DownloadFileHeader header;
    if (lines->empty()) {
        return header;
    }
    if (lines->size() < kHeaderLines) {
        header.mode = FileMode::Short;
        return header;
    }
    if ((*lines)[1] != "Download Pages") {
        header.mode = FileMode::NotDownloadPages;
        return header;
    }
    const std::string& mode = (*lines)[9];
    header.mode = mode == "Bin/Linear Mode = 0"   ? FileMode::Bin
                  : mode == "Bin/Linear Mode = 1" ? FileMode::Linear
                                                  : FileMode::Other;
    const std::string& channel = (*lines)[10];
    if (!channel.empty()) {
        // One character: a digit, or none (0).
        header.channel = LinearChannel{static_cast<std::uint8_t>(
            leadingNumber(std::string_view(channel).substr(channel.size() - 1)))};
    }
    return header;
}

std::optional<ButtonPushHeader> readButtonPushHeader(const std::string& file) {
    const auto lines = readFirstLines(file, kHeaderLines + 1);
    if (!lines) {
        return std::nullopt;
    }
    if (lines->empty()) {
        return ButtonPushHeader::Empty;
    }
    if (lines->size() < kHeaderLines + 1) {
        return ButtonPushHeader::Short;
    }
    const bool supported = (*lines)[9] == "Bin/Linear Mode = 1" &&
                           (*lines)[10] == "Linear Channel = 3" &&
                           (*lines)[11] == "Page,X Data-->,Y Data-->";
    return supported ? ButtonPushHeader::Supported : ButtonPushHeader::NotSupported;
}

std::optional<BinPages> BinPages::load(const std::string& file) {
    auto text = readAll(file);
    if (!text) {
        return std::nullopt;
    }
    BinPages pages;
    pages.text_ = std::make_shared<const std::string>(std::move(*text));
    pages.lines_ = splitLines(*pages.text_);
    for (std::size_t i = 0; i < pages.lines_.size(); ++i) {
        const auto comma = pages.lines_[i].find(',');
        if (comma != std::string_view::npos) {
            pages.firstLineOf_.try_emplace(pages.lines_[i].substr(0, comma), i);
        }
    }
    return pages;
}

BinPages::Located BinPages::locate(int page, PointArray& x, PointArray& y, ErrorReporter& errors,
                                   std::string_view screen) const {
    const auto found = firstLineOf_.find(std::to_string(page));
    if (found == firstLineOf_.end()) {
        return Located::NotFound;
    }
    const std::size_t i = found->second;
    if (i + 1 >= lines_.size()) {
        return Located::EndOfFile;
    }
    try {
        splitBins(lines_[i], x);
        splitBins(lines_[i + 1], y);
    } catch (const Error& e) {
        errors.report(e, "Big", screen);
        return Located::Failed;
    }
    return Located::Found;
}

}  // namespace tilt::view
