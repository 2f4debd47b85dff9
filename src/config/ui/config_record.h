#pragma once

#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "config/config_values.h"

namespace tilt {
struct AppState;
}
namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::config::ui {

// The field of the shared device parameter record named `recordField` ("OffsetX",
// "LinearUpdateRate"), or nullptr when the record has no such field (the serial number and the
// launch time are shown, not kept).
[[nodiscard]] double* recordField(AppState& state, std::string_view recordField);

// The record's values of the fields a profile holds (what a write sends).
[[nodiscard]] ConfigValues profileRecord(AppState& state);

// Puts `values` into the record; true when any field changed.
bool putIntoRecord(AppState& state, const ConfigValues& values);

// For a ticked write: a function the write calls on the device thread as it ends, with the
// ticks it got through. On the user-interface thread, the parameters whose cells all went out
// take the values a read would now give in the shared record, and every window is told. This
// happens also when the window that wrote has been closed meanwhile: the logger holds the cells
// all the same.
[[nodiscard]] std::function<void(int ticksDone)> recordWrittenCells(
    common::ui::AppContext& context, std::vector<std::optional<CellWrite>> ticks);

}  // namespace tilt::config::ui
