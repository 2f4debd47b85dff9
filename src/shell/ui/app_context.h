#pragma once

#include <functional>

#include "link/port_probe.h"
#include "shell/app_state.h"
#include "shell/data_paths.h"
#include "shell/ui/logger_events.h"

namespace tilt {
class ErrorReporter;
class FileDialogs;
class Messages;
namespace link {
class PortCatalogue;
}
namespace platform {
class SettingsStore;
}
}  // namespace tilt

namespace tilt::shell::ui {

class DeviceThread;

// Everything a window works with: the shared state, the program's services and the device
// thread. The desktop program fills it with Qt's services and the system's ports; tests with
// fakes and simulated ports in virtual time.
struct AppContext {
    AppState state;
    Messages& messages;
    ErrorReporter& errors;
    platform::SettingsStore& settings;
    FileDialogs& fileDialogs;
    link::PortCatalogue& catalogue;
    link::ThreadStarter threads;  // for searches that probe several ports at once
    DeviceThread& device;
    DataPaths paths;
    bool technician = false;            // show the Display menu
    std::function<void()> exitProgram;  // File > Exit
    LoggerEvents loggerEvents;          // one window's writes, for the others to follow
};

}  // namespace tilt::shell::ui
