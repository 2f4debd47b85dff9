#pragma once

#include <QGroupBox>
#include <array>
#include <set>

#include "config/calibration.h"

class QLineEdit;

namespace tilt::config::ui {

class CalibrationCoverage;

// The frame "Accelerometers" of the Calibrate window: per axis the current reading, the
// smallest and largest seen, the offset and gain they give, and the range covered so far. The
// boxes hold numbers as text: they are read by their leading number and written as the shortest
// decimal text.
class CalibrationGrid final : public QGroupBox {
  public:
    explicit CalibrationGrid(QWidget* parent);

    // Empties the fifteen boxes, current X, Y, Z first, then min, max, offset and gain.
    void clearCalibrationBoxes();
    // "1024" into the Min Bits boxes and "0" into the Max Bits boxes.
    void initMinMaxBoxes();

    // Shows a snapshot of the calibration. Offset and Gain boxes the user has typed into since
    // forgetEdits() keep what was typed: at display rate a typed value would otherwise be gone
    // before sampling could be stopped to take it.
    void showCalibration(const CalibrationTracker& tracker);
    void forgetEdits();

    // The values of the Offset and Gain boxes: offset X, Y, Z, gain X, Y, Z.
    [[nodiscard]] CalibrationValues offsetsAndGains() const;

    // Whether a reading has been shown since the boxes were cleared.
    [[nodiscard]] bool sampled() const;

  private:
    struct Row {
        QLineEdit* current = nullptr;
        QLineEdit* min = nullptr;
        QLineEdit* max = nullptr;
        QLineEdit* offset = nullptr;
        QLineEdit* gain = nullptr;
        CalibrationCoverage* coverage = nullptr;
    };

    QLineEdit* addBox(int row, int column, const QString& name, bool editable);
    // A screen reader names a box of the grid by its row and its column: "Acc X Min Bits".
    static void nameCell(QWidget* cell, int row, int column);
    void showNumber(QLineEdit* box, double value);

    std::array<Row, 3> rows_;
    std::set<const QLineEdit*> edited_;
};

}  // namespace tilt::config::ui
