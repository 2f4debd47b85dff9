#include "logging/line_reader.h"

#include <cerrno>
#include <cstring>

namespace tilt::logging {

namespace {
LineReader::Line endLine(std::string_view text, bool endedByLf) {
    const bool cr = !text.empty() && text.back() == '\r';
    if (cr) {
        text.remove_suffix(1);
    }
    return {text, cr && endedByLf};
}
}  // namespace

LineReader::LineReader(std::FILE* file, std::size_t chunkBytes)
    : file_(file), chunk_(chunkBytes == 0 ? 1 : chunkBytes) {}

bool LineReader::fill() {
    if (readError_ != 0) {
        return false;
    }
    errno = 0;
    const std::size_t got = std::fread(chunk_.data(), 1, chunk_.size(), file_);
    if (got == 0) {
        if (std::ferror(file_)) {
            readError_ = errno != 0 ? errno : EIO;
        }
        return false;
    }
    pos_ = 0;
    end_ = got;
    return true;
}

std::optional<LineReader::Line> LineReader::next() {
    carry_.clear();
    bool carrying = false;
    for (;;) {
        if (pos_ == end_ && !fill()) {
            if (carrying && readError_ == 0) {
                return endLine(carry_, false);
            }
            return std::nullopt;
        }
        const char* start = chunk_.data() + pos_;
        const std::size_t available = end_ - pos_;
        const auto* lf = static_cast<const char*>(std::memchr(start, '\n', available));
        if (lf == nullptr) {
            carry_.append(start, available);
            carrying = true;
            consumed_ += available;
            pos_ = end_;
            continue;
        }
        const auto length = static_cast<std::size_t>(lf - start);
        consumed_ += length + 1;
        pos_ += length + 1;
        if (carrying) {
            carry_.append(start, length);
            return endLine(carry_, true);
        }
        return endLine({start, length}, true);
    }
}

}  // namespace tilt::logging
