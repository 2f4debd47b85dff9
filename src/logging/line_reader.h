#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tilt::logging {

// Reads a text file one line at a time through a fixed buffer, so that a file of any length
// costs the same memory: the buffer plus the longest line.
class LineReader {
  public:
    struct Line {
        std::string_view text;  // without its line end; valid until the next call
        bool endsWithCrLf = false;
    };

    static constexpr std::size_t kDefaultChunkBytes = 256 * 1024;

    explicit LineReader(std::FILE* file, std::size_t chunkBytes = kDefaultChunkBytes);

    // The next line, ended by LF (a CR before it is dropped) or by the end of the file. Nothing
    // at the end of the file or after a read error.
    [[nodiscard]] std::optional<Line> next();

    // The system's error code of a failed read, 0 when none failed.
    [[nodiscard]] int readError() const noexcept { return readError_; }

    // Bytes of the file up to the end of the line last returned.
    [[nodiscard]] std::uintmax_t consumed() const noexcept { return consumed_; }

  private:
    bool fill();

    std::FILE* file_;
    std::vector<char> chunk_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::string carry_;  // a line that runs over the end of a chunk
    std::uintmax_t consumed_ = 0;
    int readError_ = 0;
};

}  // namespace tilt::logging
