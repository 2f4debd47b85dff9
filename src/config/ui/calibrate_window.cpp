#include "config/ui/calibrate_window.h"

namespace tilt::config::ui {

Calibrate::Calibrate(shell::ui::AppContext& /*context*/, QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Calibrate"));
    setWindowTitle(QStringLiteral("Calibrate"));
    setWindowFlag(Qt::Window);
}

}  // namespace tilt::config::ui
