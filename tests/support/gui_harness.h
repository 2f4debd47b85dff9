#pragma once

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/file_dialogs.h"
#include "common/startup.h"
#include "common/ui/app_context.h"
#include "device/sim_transport.h"
#include "frame/active_screen_errors.h"
#include "frame/frame_window.h"
#include "frame/list_bar.h"
#include "frame/main_window.h"
#include "link/clock.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/port_probe.h"
#include "platform/settings_store.h"
#include "platform/sqlite_library.h"
#include "platform/system_port_catalogue.h"
#include "platform/ui/device_thread.h"
#include "support/fake_messages.h"
#include "support/recording_errors.h"
#include "support/scripted_file_dialogs.h"
#include "support/temp_folder.h"

namespace tilt::testing {

// Types `text` over whatever a field holds, as a user would.
inline void typeOver(QLineEdit* field, const char* text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QString::fromLatin1(text));
}

// A device job that runs until stopped.
inline int untilStopped(const link::JobScope& job) {
    while (!job.link().stopRequested()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return 0;
}

class FakeSettings final : public platform::SettingsStore {
  public:
    [[nodiscard]] std::string currentCommPort() const override { return saved; }
    void saveCurrentCommPort(const std::string& text) override { saved = text; }
    [[nodiscard]] std::string storeConnection() const override { return store; }
    void saveStoreConnection(const std::string& text) override { store = text; }
    [[nodiscard]] std::string storeServer() const override { return server; }
    void saveStoreServer(const std::string& text) override { server = text; }
    std::string saved = "1";
    std::string store;
    std::string server;
};

struct GuiOptions {
    std::string savedPort = "1";
    bool realTime = false;  // the simulated lines keep real time (to stop things midway)
    // The computer's serial ports (and ports named with addNamedPort, such as a tiltsim's
    // terminal) instead of simulated lines, in real time.
    bool systemPorts = false;
};

// The desktop program's windows on fakes: scripted messages and dialogs, an in-memory setting,
// a data root in a temporary folder, and simulated ports in virtual time behind the device
// thread. Add ports to `catalogue` before start().
class GuiHarness {
  public:
    using Options = GuiOptions;
    explicit GuiHarness(Options options = {}) : options_(std::move(options)) {
        settings.saved = options_.savedPort;
    }
    ~GuiHarness() {
        // As the program does: the operations end before any window they report to goes.
        device.shutdown();
        frame.reset();
        // Whatever else a test left open (a window may own others: check each before deleting).
        std::vector<QPointer<QWidget>> left;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            left.emplace_back(w);
        }
        for (auto& w : left) {
            delete w.data();
        }
    }

    void start() {
        frame = std::make_unique<frame::FrameWindow>(context);
        StartupInputs inputs;
        inputs.major = 3;
        inputs.minor = 2;
        inputs.revision = 4;
        inputs.savedCommPort = [this] { return settings.currentCommPort(); };
        inputs.paths = context.paths;
        frame->startUp(inputs);
        frame->show();
    }

    // A control of the program by its name, in any of its windows.
    template <typename T = QWidget>
    T* find(const QString& name) const {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == name) {
                if (auto* w = qobject_cast<T*>(window)) {
                    return w;
                }
            }
            if (auto* found = window->findChild<T*>(name)) {
                return found;
            }
        }
        return nullptr;
    }

    // A window by its name if it is open.
    [[nodiscard]] QWidget* openWindow(const QString& name) const {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->objectName() == name && window->isVisible()) {
                return window;
            }
        }
        return nullptr;
    }

    QAction* action(const char* name) const {
        return frame->main().findChild<QAction*>(QString::fromLatin1(name));
    }

    QToolButton* barItem(int item) const { return frame->listBar().barItem(1, item); }

    void click(const QString& button) { QTest::mouseClick(find<QWidget>(button), Qt::LeftButton); }

    // Lets the event loop run until `done` holds (device operations finish on their own thread).
    template <typename Pred>
    [[nodiscard]] bool waitFor(Pred done) {
        return QTest::qWaitFor(done, 10000);
    }

    // Makes `window` the active one, as a click on it would.
    [[nodiscard]] static bool activate(QWidget* window) {
        QApplication::setActiveWindow(window);
        return QTest::qWaitForWindowActive(window);
    }

    // Waits until `text` has been shown `times` times and the device thread is idle.
    [[nodiscard]] bool waitForMessage(const std::string& text, long times = 1) {
        return waitFor([&] {
                   const auto all = texts();
                   return std::count(all.begin(), all.end(), text) >= times;
               }) &&
               idle();
    }

    // The simulated logger at port 1: what it received, and its EEPROM.
    std::vector<device::ReceivedByte> received() {
        return catalogue.line(1)->withDevice([](device::SimDevice* d) { return d->rxLog(); });
    }
    std::size_t receivedCount() { return received().size(); }
    // The commands the logger received from byte `from` on: 'r' with its address, 'd' with its
    // page and 'p' with its address and value count as one; every other byte is one of its own.
    std::string commands(std::size_t from = 0) {
        const auto bytes = received();
        std::string commands;
        for (std::size_t i = from; i < bytes.size();) {
            const auto command = bytes[i].value;
            commands.push_back(static_cast<char>(command));
            i += command == 'r' ? 2 : (command == 'd' || command == 'p') ? 3 : 1;
        }
        return commands;
    }
    std::uint8_t cell(int address) {
        return catalogue.line(1)->withDevice([&](device::SimDevice* d) {
            return d->memory().eeprom[static_cast<std::size_t>(address)];
        });
    }

    // Waits until the device thread has handed back every operation.
    [[nodiscard]] bool idle() {
        return waitFor([this] { return !device.busy(); });
    }

    std::vector<std::string> texts() const {
        std::vector<std::string> all;
        for (const auto& m : messages.shown) {
            all.push_back(m.text);
        }
        return all;
    }

    Options options_;
    FakeMessages messages;
    RecordingErrors errors;
    FakeSettings settings;
    ScriptedFileDialogs fileDialogs;
    link::SimClock clock;
    link::SystemClock realClock;
    device::SimPortCatalogue catalogue{options_.realTime ? static_cast<link::Clock&>(realClock)
                                                         : clock};
    platform::SystemPortCatalogue systemPorts{realClock};
    link::PortCatalogue& ports =
        options_.systemPorts ? static_cast<link::PortCatalogue&>(systemPorts) : catalogue;
    // As in the program: a failure names the window that is active then (a job's scope does
    // that itself).
    frame::ActiveScreenErrors screenErrors{errors};
    platform::ui::DeviceThread device{ports, errors, messages};
    QTemporaryDir root;
    // The real library file in the temporary data root.
    platform::SqliteLibrary library{platform::SqliteLibrary::fileIn(root.path().toStdString())};
    common::ui::AppContext context{.state = {},
                                   .messages = messages,
                                   .errors = screenErrors,
                                   .settings = settings,
                                   .fileDialogs = fileDialogs,
                                   .catalogue = catalogue,
                                   .threads = link::standardThreads(),
                                   .device = device,
                                   .paths = DataPaths{root.path().toStdString()},
                                   .library = library,
                                   .technician = false,
                                   .exitProgram = [this] { ++exits; },
                                   .loggerEvents = {}};
    int exits = 0;
    std::unique_ptr<frame::FrameWindow> frame;
};

}  // namespace tilt::testing
