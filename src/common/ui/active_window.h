#pragma once

#include <string>

class QObject;
class QWidget;

namespace tilt::common::ui {

// A window may name the screen it stands for in error reports under this property (the frame
// stands for the main window inside it).
inline constexpr const char* kScreenNameProperty = "screenName";

// The name of the window that is active now, as error records give it: the application's
// active window, or, when none is (the program is in the background), the window of `fallback`.
[[nodiscard]] std::string activeWindowName(const QObject* fallback = nullptr);

}  // namespace tilt::common::ui
