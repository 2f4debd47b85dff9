#pragma once

#include <QMainWindow>

namespace tilt::shell::ui {
struct AppContext;
}

namespace tilt::live::ui {

// The Angles window (being built).
class Angles final : public QMainWindow {
  public:
    explicit Angles(shell::ui::AppContext& context, QWidget* parent = nullptr);
};

}  // namespace tilt::live::ui
