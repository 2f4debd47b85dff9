#pragma once

#include <QMainWindow>

namespace tilt::shell::ui {
struct AppContext;
}

namespace tilt::config::ui {

// The Calibrate window (being built).
class Calibrate final : public QMainWindow {
  public:
    explicit Calibrate(shell::ui::AppContext& context, QWidget* parent = nullptr);
};

}  // namespace tilt::config::ui
