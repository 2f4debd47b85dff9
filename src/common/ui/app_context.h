#pragma once

#include <functional>

#include "common/app_state.h"
#include "common/data_paths.h"
#include "common/thread_starter.h"
#include "common/ui/logger_events.h"

namespace tilt {
class ErrorReporter;
class FileDialogs;
class Messages;
class RecordingsLibrary;
namespace link {
class PortCatalogue;
}
namespace platform {
class SettingsStore;
}
namespace platform::ui {
class DeviceThread;
}
}  // namespace tilt

namespace tilt::common::ui {

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
    ThreadStarter threads;  // for searches that probe several ports at once
    platform::ui::DeviceThread& device;
    DataPaths paths;
    RecordingsLibrary& library;         // every download, configuration and erase is kept there
    bool technician = false;            // show the Display menu
    std::function<void()> exitProgram;  // File > Exit
    LoggerEvents loggerEvents;          // one window's writes, for the others to follow
};

}  // namespace tilt::common::ui
