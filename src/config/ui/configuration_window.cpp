#include "config/ui/configuration_window.h"

namespace tilt::config::ui {

Configuration::Configuration(shell::ui::AppContext& /*context*/,
                             shell::ui::WindowRegistry& /*windows*/,
                             std::function<void(bool)> /*setNavigationEnabled*/, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("Configuration"));
    setWindowTitle(QStringLiteral("Configuration"));
    setWindowFlag(Qt::Window);
}

}  // namespace tilt::config::ui
