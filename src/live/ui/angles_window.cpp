#include "live/ui/angles_window.h"

namespace tilt::live::ui {

Angles::Angles(shell::ui::AppContext& /*context*/, QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("Angles"));
    setWindowTitle(QStringLiteral("Angles"));
    setWindowFlag(Qt::Window);
}

}  // namespace tilt::live::ui
