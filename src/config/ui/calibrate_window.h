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
class CalibrateWindow final : public QMainWindow, public common::ui::Pictured {
  public:
    explicit CalibrateWindow(common::ui::AppContext& context, QWidget* parent = nullptr);

    void toggleSampling();
    void writeCalibration();
    void leave();

    // A few seconds of sampling on the selected port, then stopped: the boxes show readings.
    void prepareForPicture() override;

    // What Write sends: offset X, Y, Z, gain X, Y, Z.
    [[nodiscard]] const CalibrationValues& calibrationValues() const { return calibration_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void buildControls();
    void startSampling(bool warnAboutShaker);
    void stopSampling();
    void finishSampling();
    void showCalibration(const CalibrationTracker& tracker);
    void resetCalibrationValues();
    void captureCalibrationValues();
    void showWriteTick(int ticksDone);
    void finishWrite(TransferEnd end, int ticksDone);
    void samplingEnded(SamplingEnd end);
    void showSilence(bool silent);
    void showNote(const QString& text);

    common::ui::AppContext& context_;
    QAction* sampleAction_ = nullptr;
    QAction* writeAction_ = nullptr;
    CalibrationGrid* accelerometerBox_ = nullptr;
    QGroupBox* progressBox_ = nullptr;
    QProgressBar* progressBar_ = nullptr;
    // How sampling or a write that did not complete left things, or a silent logger.
    QLabel* note_ = nullptr;
    CalibrationValues calibration_{};
    std::vector<std::optional<CellWrite>> writeTicks_;  // of the write under way
    common::ui::LatestValue<CalibrationTracker> readings_;
    bool sampling_ = false;
    bool writing_ = false;
};

}  // namespace tilt::config::ui
