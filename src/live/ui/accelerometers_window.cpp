#include "live/ui/accelerometers_window.h"

namespace tilt::live::ui {

Accelerometers::Accelerometers(shell::ui::AppContext& /*context*/, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("Accelerometers"));
    setWindowTitle(QStringLiteral("Accelerometers"));
    setWindowFlag(Qt::Window);
}

}  // namespace tilt::live::ui
