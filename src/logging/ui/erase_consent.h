#pragma once

#include <QObject>
#include <string_view>

#include "logging/erase_check.h"

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::logging::ui {

// The erase and the launch of the windows ask one question, after the logger and the library
// have said what is at stake. Call from the device job, after checkBeforeErasing: the question
// opens on the user-interface thread; No once `owner` is gone.
[[nodiscard]] bool askToErase(common::ui::AppContext& context, QObject* owner,
                              const EraseCheck& check, std::string_view warning);

}  // namespace tilt::logging::ui
