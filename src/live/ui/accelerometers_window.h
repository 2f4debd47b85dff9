#pragma once

#include <QMainWindow>

namespace tilt::shell::ui {
struct AppContext;
}

namespace tilt::live::ui {

// The Accelerometers window (being built).
class Accelerometers final : public QMainWindow {
  public:
    explicit Accelerometers(shell::ui::AppContext& context, QWidget* parent = nullptr);
};

}  // namespace tilt::live::ui
