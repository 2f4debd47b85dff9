#include "view/download_file.h"

#include <charconv>
#include <fstream>
#include <sstream>

#include "shell/error.h"
#include "shell/error_reporter.h"
#include "shell/text_value.h"

namespace tilt::view {

namespace {

constexpr std::size_t kHeaderLines = 11;
constexpr std::int32_t kTypeMismatch = 13;

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

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// A bin count: the whole field must be a number.
double countOf(std::string_view field) {
    const std::string_view text = trimmed(field);
    const char* first = text.data() + (!text.empty() && text.front() == '+' ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        throw Error(kTypeMismatch, "Type mismatch: \"" + std::string(field) + "\" is no number");
    }
    return value;
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
        bins[i] = countOf(line.substr(0, comma));
        line.remove_prefix(comma + 1);
    }
    bins.back() = countOf(line);
}

}  // namespace

std::optional<DownloadFileHeader> readDownloadFileHeader(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::string> lines;
    for (std::string line; lines.size() < kHeaderLines && std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
    }
    DownloadFileHeader header;
    if (lines.size() < 2 || lines[1] != "Download Pages") {
        return header;
    }
    header.mode = FileMode::Other;
    if (lines.size() >= 10 && lines[9] == "Bin/Linear Mode = 0") {
        header.mode = FileMode::Bin;
    } else if (lines.size() >= 10 && lines[9] == "Bin/Linear Mode = 1") {
        header.mode = FileMode::Linear;
    }
    if (lines.size() >= kHeaderLines && !lines[10].empty()) {
        header.FileLinearChannel =
            leadingNumber(std::string_view(lines[10]).substr(lines[10].size() - 1));
    }
    return header;
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
