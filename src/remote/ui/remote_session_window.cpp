#include "remote/ui/remote_session_window.h"

namespace tilt::remote::ui {

RemoteSession::RemoteSession(shell::ui::AppContext& /*context*/, QWidget* parent)
    : QMainWindow(parent) {
    setObjectName(QStringLiteral("RemoteSession"));
    setWindowTitle(QStringLiteral("RemoteSession"));
    setWindowFlag(Qt::Window);
}

}  // namespace tilt::remote::ui
