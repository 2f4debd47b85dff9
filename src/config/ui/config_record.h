#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "config/config_values.h"

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::config::ui {

// For a ticked write: a function the write calls on the device thread as it ends, with the
// ticks it got through. On the user-interface thread, the parameters whose cells all went out
// take the values a read would now give in the shared record, and every window is told. This
// happens also when the window that wrote has been closed meanwhile: the logger holds the cells
// all the same.
[[nodiscard]] std::function<void(int ticksDone)> recordWrittenCells(
    common::ui::AppContext& context, std::vector<std::optional<CellWrite>> ticks);

}  // namespace tilt::config::ui
