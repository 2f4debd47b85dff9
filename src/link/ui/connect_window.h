#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::link {
struct SearchProgress;
}

namespace tilt::link::ui {

// Where the user picks the device's serial port: by number, or by letting the program search
// ports 1 to 16. OK keeps the choice, reads the tares and the update time increment from the
// device and tells the frame whether that worked.
class ConnectWindow final : public QDialog {
  public:
    using ParametersRead = std::function<void(bool connected)>;

    ConnectWindow(common::ui::AppContext& context, ParametersRead onParametersRead,
                  QWidget* parent = nullptr);

  protected:
    // Closing the window (or Escape) stops a search or read that is running.
    void reject() override;

  private:
    void buildControls();
    void searchPorts();
    void connectToChosenPort();
    void readOnBoardParameters();
    void showPortName(int number);
    void readPortsAgain();
    void showSearchProgress(const SearchProgress& progress);
    void showActivity(const QString& text);
    void setButtonsEnabled(bool enabled);
    void endActivity();
    void restoreControls();
    void cancelRunningOperation();

    common::ui::AppContext& context_;
    ParametersRead onParametersRead_;
    QSpinBox* portEdit_ = nullptr;
    QLabel* portName_ = nullptr;
    QLabel* activity_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QPushButton* okButton_ = nullptr;
    bool operationRunning_ = false;
    bool readingParameters_ = false;
    bool cancelled_ = false;
};

}  // namespace tilt::link::ui
