#pragma once

#include <QStringList>
#include <memory>

#include "apps/desktop_options.h"
#include "link/clock.h"
#include "platform/settings_store.h"
#include "platform/system_port_catalogue.h"
#include "shell/error_log.h"
#include "shell/ui/active_screen_errors.h"
#include "shell/ui/app_context.h"
#include "shell/ui/device_thread.h"
#include "shell/ui/mdi_form1.h"
#include "shell/ui/qt_file_dialogs.h"
#include "shell/ui/qt_messages.h"

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

    [[nodiscard]] shell::ui::MDIForm1& frame() { return *frame_; }

  private:
    link::SystemClock clock_;
    platform::SystemPortCatalogue catalogue_{clock_};
    shell::ui::QtMessages messages_;
    ErrorLog errorLog_;
    shell::ui::ActiveScreenErrors errors_{errorLog_};
    platform::QtSettingsStore settings_;
    shell::ui::QtFileDialogs fileDialogs_;
    shell::ui::DeviceThread device_;
    shell::ui::AppContext context_;
    std::unique_ptr<shell::ui::MDIForm1> frame_;
};

}  // namespace tilt::apps
