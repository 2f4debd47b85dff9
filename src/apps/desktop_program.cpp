#include "apps/desktop_program.h"

#include <QApplication>
#include <chrono>
#include <cstdlib>
#include <string_view>

#include "common/startup.h"
#include "device/sim_options.h"
#include "platform/qt_threads.h"

namespace tilt::apps {

namespace {

ProgramIdentity identity() {
    return {"Tiltavarometer", TILT_VERSION_MAJOR, TILT_VERSION_MINOR, TILT_VERSION_PATCH};
}

// The simulated device a newcomer meets: a linear recording on both channels with button
// pushes, so that every window has something to show.
device::SimOptions simulatedDevice() {
    device::SimOptions options;
    options.preload = device::Preload::Linear3;
    options.keepRxLog = false;
    return options;
}

}  // namespace

bool needsNoDisplay(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--screenshot" || arg.starts_with("--screenshot=") || arg == "--version" ||
            arg == "-v" || arg == "--help" || arg == "-h" || arg == "--help-all") {
            return true;
        }
    }
    return false;
}

DesktopProgram::DesktopProgram(const DesktopOptions& options, const DataPaths& paths)
    : errorLog_(
          messages_, paths.errorLog(), identity(), [] { return std::chrono::system_clock::now(); },
          // Ends the program on the spot: open ports and files are the system's to close,
          // and every data line is on disk the moment it is written.
          [] { std::_Exit(EXIT_FAILURE); }),
      device_(catalogue_, errorLog_, messages_),  // jobs name the active window themselves
      library_(platform::SqliteLibrary::fileIn(paths.root)),
      context_{.state = {},
               .messages = messages_,
               .errors = errors_,
               .settings = settings_,
               .fileDialogs = fileDialogs_,
               .catalogue = catalogue_,
               .threads = platform::qtThreads(),
               .device = device_,
               .paths = paths,
               .library = library_,
               .technician = options.technician,
               .exitProgram = [] { QApplication::quit(); },
               .loggerEvents = {}} {
    if (options.simulate) {
        (void)catalogue_.addSimulatedDevice(simulatedDevice());
    }
    for (const QString& port : options.ports) {
        (void)catalogue_.addNamedPort(port.toStdString());
    }
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &device_,
                     [this] { messages_.setClosing(); });
    frame_ = std::make_unique<frame::FrameWindow>(context_);
}

DesktopProgram::~DesktopProgram() {
    messages_.setClosing();
    // The running operation ends, and its last reports are served, while its windows exist.
    device_.shutdown();
    frame_.reset();
}

void DesktopProgram::start() {
    StartupInputs inputs;
    inputs.major = TILT_VERSION_MAJOR;
    inputs.minor = TILT_VERSION_MINOR;
    inputs.revision = TILT_VERSION_PATCH;
    inputs.savedCommPort = [this] { return settings_.currentCommPort(); };
    inputs.paths = context_.paths;
    frame_->startUp(inputs);
    frame_->show();
}

}  // namespace tilt::apps
