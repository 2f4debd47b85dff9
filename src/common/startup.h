#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/app_state.h"
#include "common/data_paths.h"

namespace tilt {

class ErrorReporter;

inline constexpr std::int16_t kDevicePageCount = 2048;

// "major.minor.revision".
[[nodiscard]] std::string buildAppVersion(int major, int minor, int revision);

// The port number a saved "CurrentCommPort" text stands for: its leading number rounded to a
// 16-bit whole number (0 for a text that is no number). Throws the overflow error, quoting the
// text, when the number does not fit.
[[nodiscard]] std::int16_t commPortFromSetting(std::string_view text);

// Creates "Data Files" and then "Logs" below the data root where they are missing; existing
// folders are left as they are. Failures go to the error handler as "TestForFileFolders".
void testForFileFolders(const DataPaths& paths, ErrorReporter& errors);

struct StartupInputs {
    int major = 0, minor = 0, revision = 0;
    std::function<std::string()> savedCommPort;
    DataPaths paths;
};

// The start-up of the shared state, in order: version, page count, the saved port, the folders.
// An unexpected failure goes to the error handler as "MDIForm_Load" and skips the steps after it.
void runStartup(AppState& state, const StartupInputs& inputs, ErrorReporter& errors);

}  // namespace tilt
