#pragma once

#include <string_view>

namespace tilt {
struct AppState;
}

namespace tilt::config::ui {

// The field of the shared device parameter record named `recordField` ("OffsetX",
// "LinearUpdateRate"), or nullptr when the record has no such field (the serial number and the
// launch time are shown, not kept).
[[nodiscard]] double* recordField(AppState& state, std::string_view recordField);

}  // namespace tilt::config::ui
