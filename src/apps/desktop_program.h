#pragma once

#include <QStringList>
#include <memory>

#include "apps/desktop_options.h"
#include "common/error_log.h"
#include "common/ui/app_context.h"
#include "frame/active_screen_errors.h"
#include "frame/frame_window.h"
#include "link/clock.h"
#include "platform/settings_store.h"
#include "platform/sqlite_library.h"
#include "platform/system_port_catalogue.h"
#include "platform/ui/device_thread.h"
#include "platform/ui/qt_file_dialogs.h"
#include "platform/ui/qt_messages.h"

namespace tilt::apps {

// The desktop program put together: Qt's message boxes, dialogs and settings, the system's
// serial ports (and a simulated device when asked), the device thread and the windows.
class DesktopProgram {
  public:
    DesktopProgram(const DesktopOptions& options, const DataPaths& paths);
    ~DesktopProgram();
    DesktopProgram(const DesktopProgram&) = delete;
    DesktopProgram& operator=(const DesktopProgram&) = delete;

    // Start-up, then the frame window on screen.
    void start();

    [[nodiscard]] frame::FrameWindow& frame() { return *frame_; }

  private:
    link::SystemClock clock_;
    platform::SystemPortCatalogue catalogue_{clock_};
    platform::ui::QtMessages messages_;
    ErrorLog errorLog_;
    frame::ActiveScreenErrors errors_{errorLog_};
    platform::QtSettingsStore settings_;
    platform::ui::QtFileDialogs fileDialogs_;
    platform::ui::DeviceThread device_;
    platform::SqliteLibrary library_;
    common::ui::AppContext context_;
    std::unique_ptr<frame::FrameWindow> frame_;
};

}  // namespace tilt::apps
