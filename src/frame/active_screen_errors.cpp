#include "frame/active_screen_errors.h"

#include <algorithm>
#include <array>
#include <string>

#include "common/ui/active_window.h"

namespace tilt::frame {

namespace {

// Screens that are no window: the modules' and start-up's.
constexpr std::array<std::string_view, 3> kFixedScreens = {"General", "Communications", "MDIForm1"};

bool isFixed(std::string_view screen) {
    return std::find(kFixedScreens.begin(), kFixedScreens.end(), screen) != kFixedScreens.end();
}

}  // namespace

void ActiveScreenErrors::handleError(std::int32_t number, std::string_view source,
                                     std::string_view screen, std::string_view description) {
    std::string active;
    if (!isFixed(screen)) {
        active = common::ui::activeWindowName();
    }
    handler_.handleError(number, source, active.empty() ? screen : active, description);
}

}  // namespace tilt::frame
