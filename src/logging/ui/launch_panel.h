#pragma once

#include <QGroupBox>
#include <functional>

#include "logging/launch.h"

class QProgressBar;

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::logging::ui {

// The main window's launch: the question, then the launch on the device thread with the erase
// shown on this frame ("Erase", hidden while idle), then the menus as a launched logger leaves
// them. Until the user connects again only File, Help and "Connect" stay usable.
class LaunchPanel final : public QGroupBox {
  public:
    struct FrameControls {
        std::function<void(const char* menu, bool enabled)>
            setMenuEnabled;  // by the menu's objectName, "mnuFile", ...
        std::function<void(int first, int last, bool enabled)> setNavigationItemsEnabled;
        std::function<void()> launched;  // the logger was told to log: it is no longer connected
    };

    LaunchPanel(common::ui::AppContext& context, FrameControls frame, QWidget* parent = nullptr);

    void launch();

  private:
    void launchEnded(const LaunchResult& result);
    void restoreMenus(bool started);
    void showErasedPages(double pages);

    common::ui::AppContext& context_;
    FrameControls frame_;
    QProgressBar* progressBar_ = nullptr;
};

}  // namespace tilt::logging::ui
