#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "view/download_file.h"

namespace tilt::view {

// What the graph windows (and tiltctl's pictures of them) tell the user, word for word.
inline constexpr std::string_view kNotDownloadPages =
    "This is not a Veltrimonic Download Pages file!";
inline constexpr std::string_view kEndOfDataFile = "End of data file has been reached!";
inline constexpr std::string_view kNoDataFile = "No data file has been selected!";

[[nodiscard]] inline std::string unableToLocatePage(int page) {
    return "Unable to locate data page " + std::to_string(page) + " in this file!";
}

// Why the button-push view cannot show a file; nothing when it can.
[[nodiscard]] inline std::optional<std::string_view> buttonPushRefusal(ButtonPushHeader header) {
    switch (header) {
        case ButtonPushHeader::Empty:
            return "This is not a Veltrimonic Download file!";
        case ButtonPushHeader::Short:
            return kEndOfDataFile;
        case ButtonPushHeader::NotSupported:
            return "This Veltrimonic Download is not supported in Button Mode!";
        case ButtonPushHeader::Supported:
            break;
    }
    return std::nullopt;
}

}  // namespace tilt::view
