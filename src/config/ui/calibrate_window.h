#pragma once

#include <QMainWindow>

#include "common/ui/latest_value.h"
#include "common/ui/pictured.h"
#include "config/calibration.h"
#include "config/eeprom_transfer.h"

class QAction;
class QGroupBox;
class QLabel;
class QProgressBar;

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::config::ui {

class CalibrationGrid;

// The Calibrate window: samples the raw accelerometer readings while the user turns the logger
// through its positions, derives each axis's offset and gain from the smallest and largest
// reading, and writes them into the configuration cells 2 to 13. Sampling and writing run on
// the device thread; the readings reach the window coalesced, the newest once a frame.
class Calibrate final : public QMainWindow, public common::ui::Pictured {
  public:
    explicit Calibrate(common::ui::AppContext& context, QWidget* parent = nullptr);

    void mnuSample_Click();
    void mnuWrite_Click();
    void mnuReturn_Click();

    // A few seconds of sampling on the selected port, then stopped: the boxes show readings.
    void prepareForPicture() override;

    // What Write sends: offset X, Y, Z, gain X, Y, Z.
    [[nodiscard]] const CalibrationValues& calibrationValues() const { return CalibrationValues_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildControls();
    void startSampling(bool warnAboutShaker);
    void stopSampling();
    void finishSampling();
    void showCalibration(const CalibrationTracker& tracker);
    void ResetCalibrationValues();
    void CaptureCalibrationValues();
    void showWriteTick(int ticksDone);
    void finishWrite(TransferEnd end, int ticksDone);
    void samplingEnded(SamplingEnd end);
    void showSilence(bool silent);
    void showNote(const QString& text);

    common::ui::AppContext& context_;
    QAction* mnuSample_ = nullptr;
    QAction* mnuWrite_ = nullptr;
    CalibrationGrid* fraAcc_ = nullptr;
    QGroupBox* fraProgress_ = nullptr;
    QProgressBar* PBar_ = nullptr;
    // How sampling or a write that did not complete left things, or a silent logger.
    QLabel* lblNote_ = nullptr;
    CalibrationValues CalibrationValues_{};
    std::vector<std::optional<CellWrite>> writeTicks_;  // of the write under way
    common::ui::LatestValue<CalibrationTracker> readings_;
    bool sampling_ = false;
    bool writing_ = false;
};

}  // namespace tilt::config::ui
