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
class Main;

// The frame window: the navigation bar on the left, the main window beside it, the main
// window's menus on top. It owns the registry through which every other window is opened.
class MDIForm1 final : public QMainWindow {
  public:
    explicit MDIForm1(AppContext& context, QWidget* parent = nullptr);

    // Start-up of the shared state (the frame's load); call once, before the frame is shown.
    void MDIForm_Load(const StartupInputs& inputs);

    [[nodiscard]] Main& main() { return *main_; }
    [[nodiscard]] ListBar& listBar() { return *ListBar1_; }
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
    void buildListBar();
    void registerWindows();
    void ListBar1_ItemClick(int group, const QString& text);
    void onConnectFinished(bool connected);
    void showConnectionStatus();

    AppContext& context_;
    WindowRegistry windows_;
    ListBar* ListBar1_ = nullptr;
    Main* main_ = nullptr;
    std::int16_t connectedPort_ = 0;  // where the last good connect read the parameters
};

}  // namespace tilt::frame
