#pragma once

#include <QTemporaryDir>
#include <cstdint>
#include <string>

#include "common/ui/app_context.h"
#include "link/clock.h"
#include "link/port_probe.h"
#include "platform/sqlite_library.h"
#include "platform/system_port_catalogue.h"
#include "platform/ui/device_thread.h"
#include "support/fake_messages.h"
#include "support/gui_harness.h"
#include "support/recording_errors.h"
#include "support/scripted_file_dialogs.h"

// The desktop program's context on the system's serial ports (a tiltsim pseudo-terminal named
// with addNamedPort), with the tests' fakes for what needs a user: the windows of a benchmark run
// on it offscreen, against the line as the user's would.
struct DesktopOnSerial {
    tilt::link::SystemClock clock;
    tilt::platform::SystemPortCatalogue catalogue{clock};
    tilt::testing::FakeMessages messages;
    tilt::testing::RecordingErrors errors;
    tilt::testing::FakeSettings settings;
    tilt::testing::ScriptedFileDialogs fileDialogs;
    tilt::platform::ui::DeviceThread device{catalogue, errors, messages};
    QTemporaryDir root;
    tilt::platform::SqliteLibrary library{
        tilt::platform::SqliteLibrary::fileIn(root.path().toStdString())};
    tilt::common::ui::AppContext context{.state = {},
                                         .messages = messages,
                                         .errors = errors,
                                         .settings = settings,
                                         .fileDialogs = fileDialogs,
                                         .catalogue = catalogue,
                                         .threads = tilt::link::standardThreads(),
                                         .device = device,
                                         .paths = tilt::DataPaths{root.path().toStdString()},
                                         .library = library,
                                         .technician = false,
                                         .exitProgram = {},
                                         .loggerEvents = {}};

    // The port the windows use, as the Connect window would have chosen it.
    void selectPort(const std::string& path) {
        context.state.commPort = static_cast<std::int16_t>(catalogue.addNamedPort(path));
    }
};
