#pragma once

#include <string_view>

namespace tilt {

// The value of a text as the program reads typed or stored numbers: its leading number
// ("12abc" -> 12, ".5" -> 0.5, "1e3" -> 1000), 0 when it has none. Blanks, tabs and line feeds
// are skipped wherever they stand, so " 1 2" reads as 12. A number too large for a double is
// infinite (so a whole-number conversion of it is the overflow error), one too small 0.
[[nodiscard]] double leadingNumber(std::string_view text);

// The value of a text that must be a number as a whole, blanks and tabs around it allowed
// (" 7 ", "-2.5", "1e3"). Anything else, the empty text included, throws Error 13 ("Type
// mismatch").
[[nodiscard]] double numberValue(std::string_view text);

}  // namespace tilt
