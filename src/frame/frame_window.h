#pragma once

#include <QMainWindow>
#include <cstdint>

#include "frame/window_registry.h"

namespace tilt {
struct StartupInputs;
}

namespace tilt::common::ui {
struct AppContext;
}

namespace tilt::frame {

using common::ui::AppContext;

class ListBar;
class MainWindow;

// The frame window: the navigation bar on the left, the main window beside it, the main
// window's menus on top. It owns the registry through which every other window is opened.
class FrameWindow final : public QMainWindow {
  public:
    explicit FrameWindow(AppContext& context, QWidget* parent = nullptr);

    // Start-up of the shared state (the frame's load); call once, before the frame is shown.
    void startUp(const StartupInputs& inputs);

    [[nodiscard]] MainWindow& main() { return *main_; }
    [[nodiscard]] ListBar& listBar() { return *navigation_; }
    [[nodiscard]] WindowRegistry& windows() { return windows_; }

    // What a connect decided: unlocks or locks Tools, Display and navigation items 2 to 4.
    void setDeviceCommandsEnabled(bool enabled);

    // Navigation items first..last of the bar's group (counted from 1).
    void setNavigationItemsEnabled(int first, int last, bool enabled);

    // Shows a data file in the Graph window: one named on the command line or dropped on the
    // frame.
    void openDataFile(const QString& path);

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void buildNavigation();
    void registerWindows();
    void onConnectFinished(bool connected);
    void showConnectionStatus();

    AppContext& context_;
    WindowRegistry windows_;
    ListBar* navigation_ = nullptr;
    MainWindow* main_ = nullptr;
    std::int16_t connectedPort_ = 0;  // where the last good connect read the parameters
};

}  // namespace tilt::frame
