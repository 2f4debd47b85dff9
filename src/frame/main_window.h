#pragma once

#include <QAction>
#include <QLabel>
#include <QWidget>
#include <functional>

#include "frame/window_registry.h"

class QMenu;
class QMenuBar;

namespace tilt::logging::ui {
class LaunchPanel;
}

namespace tilt::common::ui {
struct AppContext;
}

namespace tilt::frame {

using common::ui::AppContext;

// The main window: the program's menus, its hot keys and the product panel. It lives inside the
// frame, which shows its menus as the frame's menu bar.
class MainWindow final : public QWidget {
  public:
    // `setNavigationItemsEnabled` switches items of the frame's navigation bar; `launched` tells
    // the frame that the logger was launched (and so is no longer connected).
    MainWindow(AppContext& context, WindowRegistry& windows,
               std::function<void(int first, int last, bool enabled)> setNavigationItemsEnabled,
               std::function<void()> launched, QWidget* parent = nullptr);

    // The menu bar with this window's menus, for the frame to show.
    [[nodiscard]] QMenuBar* createMenuBar();

    // Called by the navigation bar as well as by the menus.
    void showConnect();
    void showDownload();
    void showConfiguration();
    void launch();

    // Tools and Display, enabled by a good connect and disabled by a failed one.
    void setDeviceMenusEnabled(bool enabled);

    // Whether the Display menu is enabled. Kept apart from the menu's action, which reports
    // itself disabled for as long as it is hidden.
    [[nodiscard]] bool displayMenuEnabled() const { return displayEnabled_; }

    // File, Tools, Display and Help by the names of their menu entries.
    void setMenuEnabled(const char* menu, bool enabled);

    // The line under the product name that says what the program is connected to.
    void showConnectionStatus(const QString& text);

  private:
    QAction* addEntry(QMenu* menu, const char* name, const QString& caption,
                      void (MainWindow::*handler)());
    QMenu* addMenu(QMenuBar* bar, const char* name, const QString& caption);
    void buildActions();
    void buildPanel(std::function<void(int, int, bool)> setNavigationItemsEnabled,
                    std::function<void()> launched);
    void bindHotKeys();

    void exitProgram();
    void showGraph();
    void showButtonPushGraph();
    void showCalibrate();
    void showAccelerometers();
    void showAngles();
    void showRemoteSession();
    void showRecordings();
    void showHelp();
    void showAbout();
    void setDisplayMenuEnabled(bool enabled);
    void toggleRemoteSessionEntry();  // Ctrl+F6
    void toggleDisplayMenu();         // Ctrl+F9

    // "No comm port has been selected!" while no port is chosen; true when there is one.
    bool portSelected();
    void showGuarded(WindowId id);

    AppContext& context_;
    WindowRegistry& windows_;
    QAction* toolsMenu_ = nullptr;
    QAction* displayMenu_ = nullptr;
    QLabel* status_ = nullptr;
    logging::ui::LaunchPanel* launchPanel_ = nullptr;
    bool displayEnabled_ = false;
};

}  // namespace tilt::frame
