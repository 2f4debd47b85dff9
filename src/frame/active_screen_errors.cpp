#include "frame/active_screen_errors.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <array>
#include <string>

#include "common/ui/active_window.h"

namespace tilt::frame {

namespace {

// Screens that are no window, and procedures that name the window that called them.
constexpr std::array<std::string_view, 3> kFixedScreens = {"General", "Communications", "MDIForm1"};
constexpr std::array<std::string_view, 2> kCallerNamed = {"OpenCommPort", "CloseCommPort"};

bool keepsItsScreen(std::string_view source, std::string_view screen) {
    return std::find(kFixedScreens.begin(), kFixedScreens.end(), screen) != kFixedScreens.end() ||
           std::find(kCallerNamed.begin(), kCallerNamed.end(), source) != kCallerNamed.end();
}

std::string activeScreen() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) {
        return {};
    }
    if (QThread::currentThread() == app->thread()) {
        return common::ui::activeWindowName();
    }
    std::string name;
    QMetaObject::invokeMethod(
        app, [&name] { name = common::ui::activeWindowName(); }, Qt::BlockingQueuedConnection);
    return name;
}

}  // namespace

void ActiveScreenErrors::SimpleErrorHandler(std::int32_t number, std::string_view source,
                                            std::string_view screen, std::string_view description) {
    std::string active;
    if (!keepsItsScreen(source, screen)) {
        active = activeScreen();
    }
    handler_.SimpleErrorHandler(number, source, active.empty() ? screen : active, description);
}

}  // namespace tilt::frame
