#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/recording_kind.h"

namespace tilt {
class ErrorReporter;
}

namespace tilt::view {

// The samples of a whole linear file, one array per channel, in file order, each rounded to a
// whole degree. Both always hold one trailing element of value 0 after the samples, so a file
// without samples gives one element.
struct ChannelArrays {
    std::vector<std::int16_t> x{0};
    std::vector<std::int16_t> y{0};
};

enum class ParseEnd {
    Done,
    EndOfFile,  // the file ended inside its 12 header lines
    Failed,     // a short line or a value beyond 16 bits; reported to the error handler
};

// Reads every page line after the 12 header lines as 264 samples of one channel (X fills x,
// Y fills y, anything else neither). Values are their leading numbers, rounded half to even.
[[nodiscard]] ParseEnd buildSingleChannelArray(const std::string& file, LinearChannel channel,
                                               ChannelArrays& arrays, ErrorReporter& errors,
                                               std::string_view screen);

// Sample index of every button push of a recording, in file order; a single 0 when there is
// none.
using ButtonPushList = std::vector<double>;

// Reads every page line as 132 X,Y pairs. With `pushes`, also lists the pairs whose X field is
// exactly "BP" (the button was pushed there); it stays a single 0 when the file cannot be read.
[[nodiscard]] ParseEnd buildDoubleChannelArrays(const std::string& file, ChannelArrays& arrays,
                                                ErrorReporter& errors, std::string_view screen,
                                                ButtonPushList* pushes = nullptr);

}  // namespace tilt::view
