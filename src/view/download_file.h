#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "common/recording_kind.h"
#include "view/degree_arrays.h"

namespace tilt {
class ErrorReporter;
}

namespace tilt::view {

// What the header of a file says it is.
enum class FileMode {
    Empty,             // "This is not a Veltrimonic Download Pages file!"
    Short,             // fewer than 11 lines: the header cannot be read, nothing is shown
    NotDownloadPages,  // line 2 is not "Download Pages": the same message, and the name goes
    Bin,               // line 10 "Bin/Linear Mode = 0"
    Linear,            // line 10 "Bin/Linear Mode = 1"
    Other,             // any other line 10: nothing is shown
};

struct DownloadFileHeader {
    FileMode mode = FileMode::Empty;
    LinearChannel channel{};  // the last character of line 11, as a number
};

// Reads header lines 1 to 11. Nothing when the file cannot be read.
[[nodiscard]] std::optional<DownloadFileHeader> readDownloadFileHeader(const std::string& file);

// Whether the button-push view can show a file: only a linear download of both channels, told
// by header lines 10 to 12.
enum class ButtonPushHeader {
    Empty,         // "This is not a Veltrimonic Download file!"
    Short,         // fewer than 12 lines: "End of data file has been reached!"
    NotSupported,  // "This Veltrimonic Download is not supported in Button Mode!"
    Supported,
};

// Reads header lines 1 to 12. Nothing when the file cannot be read.
[[nodiscard]] std::optional<ButtonPushHeader> readButtonPushHeader(const std::string& file);

// The page lines of a bin file, found once when the file is opened: stepping through the pages
// then costs no rescan of the file. A page is the first line whose first field is its number
// written as plain digits; the line after it, whatever its number, holds the Y bins.
class BinPages {
  public:
    // Reads the file; nothing when it cannot be read.
    [[nodiscard]] static std::optional<BinPages> load(const std::string& file);

    enum class Located {
        Found,
        NotFound,   // "Unable to locate data page N in this file!"
        EndOfFile,  // the X line is the file's last: "End of data file has been reached!"
        Failed,     // a field that is no number, or a line too short; reported as "Big"
    };

    // Fills `x` and `y` with the bins of page `page` and the line after it.
    [[nodiscard]] Located locate(int page, PointArray& x, PointArray& y, ErrorReporter& errors,
                                 std::string_view screen) const;

  private:
    std::shared_ptr<const std::string> text_;  // on the heap: the views below outlive moves
    std::vector<std::string_view> lines_;
    std::unordered_map<std::string_view, std::size_t> firstLineOf_;  // by first field
};

}  // namespace tilt::view
