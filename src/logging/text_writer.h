#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "common/error.h"

namespace tilt::logging {

struct FileCloser {
    void operator()(std::FILE* file) const noexcept { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

enum class FileUse { Read, Write };

// The error for a failed file operation with the system's error code: numbered as the error log
// has always numbered them (53, 61, 70, 75) and naming the file, so the user knows what to fix.
[[nodiscard]] Error fileError(int errorCode, const std::string& path, FileUse use);

// Opens a file for reading; throws the file's error.
[[nodiscard]] FilePtr openForReading(const std::string& path);

// A text file written line by line with CR LF line ends, through one large buffer so that a
// long conversion costs few system calls. Throws the file's error when it cannot be opened or
// written.
class TextWriter {
  public:
    enum class Mode {
        Create,          // creates the file, or empties an existing one
        AppendExisting,  // appends; a missing file is an error, not a new headerless file
    };

    TextWriter(std::string path, Mode mode);
    ~TextWriter();  // hands over what is still buffered, so a failed conversion keeps its lines
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;

    void writeLine(std::string_view text) {
        buffer_.append(text);
        buffer_.append("\r\n");
        if (buffer_.size() >= kFlushBytes) {
            flush();
        }
    }

    // Hands the buffer to the system and closes the file; throws if either fails.
    void close();

  private:
    static constexpr std::size_t kFlushBytes = 256 * 1024;

    void flush();

    std::string path_;
    FilePtr file_;
    std::string buffer_;
};

// Whether a line handed to appendLine is put on the disk itself before it returns.
enum class Durability {
    System,  // with the system: survives the program, not a power cut
    Disk,    // synced (fdatasync): survives a power cut
};

// Opens an existing file for appending, writes one line with CR LF and closes it again. A line
// that cannot be written whole is cut off again, so the file only ever holds whole lines; then
// the file's error is thrown (a missing file is an error, not a new headerless file).
void appendLine(const std::string& path, std::string_view text,
                Durability durability = Durability::System);

// Puts a file just written, and its entry in its folder, on the disk, so that a new data file
// survives a power cut from the moment its header is written. Throws the file's error.
void syncToDisk(const std::string& path);

// Throws the error that writing `path` would meet (a missing folder, no permission, a read-only
// or full disk), found without changing anything: an existing file is opened for appending, a
// new one is created and removed again.
void checkWritable(const std::string& path);

}  // namespace tilt::logging
