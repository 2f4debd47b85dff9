#pragma once

#include <string>
#include <string_view>

namespace tilt {

// `text` in double quotes, as messages name a file, a key or a caption.
[[nodiscard]] inline std::string quoted(std::string_view text) {
    // Built piece by piece: gcc 12 warns wrongly (-Wrestrict) about `"\"" + text + "\""`.
    std::string q;
    q.reserve(text.size() + 2);
    q.push_back('"');
    q.append(text);
    q.push_back('"');
    return q;
}

}  // namespace tilt
