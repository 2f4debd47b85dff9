#pragma once

#include <QMainWindow>

namespace tilt::shell::ui {
struct AppContext;
}

namespace tilt::remote::ui {

// The RemoteSession window (being built).
class RemoteSession final : public QMainWindow {
  public:
    explicit RemoteSession(shell::ui::AppContext& context, QWidget* parent = nullptr);
};

}  // namespace tilt::remote::ui
