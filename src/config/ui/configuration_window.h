#pragma once

#include <QMainWindow>
#include <functional>

namespace tilt::shell::ui {
struct AppContext;
class WindowRegistry;
}  // namespace tilt::shell::ui

namespace tilt::config::ui {

// The Configuration window (being built).
class Configuration final : public QMainWindow {
  public:
    // `setNavigationEnabled` switches the four items of the navigation bar.
    Configuration(shell::ui::AppContext& context, shell::ui::WindowRegistry& windows,
                  std::function<void(bool)> setNavigationEnabled, QWidget* parent = nullptr);
};

}  // namespace tilt::config::ui
