#include "config/ui/calibration_grid.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "common/number_text.h"
#include "common/text_value.h"
#include "config/ui/calibration_coverage.h"

namespace tilt::config::ui {

namespace {
constexpr std::array<const char*, 3> kAxes = {"X", "Y", "Z"};
constexpr std::array<const char*, 6> kColumns = {"Current Bits", "Min Bits", "Max Bits",
                                                 "Offset",       "Gain",     "Coverage"};
constexpr int kCoverageColumn = 6;

double valueOf(const QLineEdit* box) {
    return leadingNumber(box->text().toStdString());
}
}  // namespace

CalibrationGrid::CalibrationGrid(QWidget* parent)
    : QGroupBox(QStringLiteral("Accelerometers"), parent) {
    setObjectName(QStringLiteral("fraAcc"));
    auto* grid = new QGridLayout(this);
    for (int c = 0; c < static_cast<int>(kColumns.size()); ++c) {
        auto* label = new QLabel(QString::fromLatin1(kColumns[static_cast<std::size_t>(c)]), this);
        label->setAlignment(Qt::AlignCenter);
        grid->addWidget(label, 0, c + 1);
    }
    for (int r = 0; r < 3; ++r) {
        const QString axis = QString::fromLatin1(kAxes[static_cast<std::size_t>(r)]);
        grid->addWidget(new QLabel(QStringLiteral("Acc ") + axis, this), r + 1, 0);
        Row& row = rows_[static_cast<std::size_t>(r)];
        row.current = addBox(r + 1, 1, QStringLiteral("txt") + axis, false);
        row.min = addBox(r + 1, 2, QStringLiteral("txtMin") + axis, false);
        row.max = addBox(r + 1, 3, QStringLiteral("txtMax") + axis, false);
        row.offset = addBox(r + 1, 4, QStringLiteral("txtOffset") + axis, true);
        row.gain = addBox(r + 1, 5, QStringLiteral("txtGain") + axis, true);
        row.coverage = new CalibrationCoverage(this);
        row.coverage->setObjectName(QStringLiteral("coverage") + axis);
        nameCell(row.coverage, r, kCoverageColumn - 1);
        grid->addWidget(row.coverage, r + 1, kCoverageColumn);
    }
    grid->setColumnStretch(kCoverageColumn, 1);
}

// Current, Min and Max show what the device sent; only the results may be corrected by hand.
QLineEdit* CalibrationGrid::addBox(int row, int column, const QString& name, bool editable) {
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setAlignment(Qt::AlignRight);
    box->setMaximumWidth(80);
    box->setReadOnly(!editable);
    nameCell(box, row - 1, column - 1);
    if (editable) {
        connect(box, &QLineEdit::textEdited, this, [this, box] { edited_.insert(box); });
    } else {
        box->setFocusPolicy(Qt::NoFocus);
    }
    static_cast<QGridLayout*>(layout())->addWidget(box, row, column);
    return box;
}

void CalibrationGrid::nameCell(QWidget* cell, int row, int column) {
    cell->setAccessibleName(
        QStringLiteral("Acc %1 %2")
            .arg(QString::fromLatin1(kAxes[static_cast<std::size_t>(row)]),
                 QString::fromLatin1(kColumns[static_cast<std::size_t>(column)])));
}

bool CalibrationGrid::sampled() const {
    return !rows_[0].current->text().isEmpty();
}

void CalibrationGrid::clearCalibrationBoxes() {
    for (auto column : {&Row::current, &Row::min, &Row::max, &Row::offset, &Row::gain}) {
        for (Row& row : rows_) {
            (row.*column)->clear();
        }
    }
    for (Row& row : rows_) {
        row.coverage->clear();
    }
}

void CalibrationGrid::initMinMaxBoxes() {
    for (Row& row : rows_) {
        row.min->setText(QStringLiteral("1024"));
        row.max->setText(QStringLiteral("0"));
    }
}

void CalibrationGrid::showNumber(QLineEdit* box, double value) {
    if (!edited_.contains(box)) {
        box->setText(QString::fromStdString(numberText(value)));
    }
}

void CalibrationGrid::showCalibration(const CalibrationTracker& tracker) {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const AxisCalibration& axis = tracker.axes[i];
        if (!axis.sampled) {
            continue;
        }
        Row& row = rows_[i];
        showNumber(row.current, axis.current);
        showNumber(row.min, axis.min);
        showNumber(row.max, axis.max);
        showNumber(row.offset, axis.offset);
        showNumber(row.gain, axis.gain);
        row.coverage->setSpan({axis.min, axis.max, axis.current});
    }
}

void CalibrationGrid::forgetEdits() {
    edited_.clear();
}

CalibrationValues CalibrationGrid::offsetsAndGains() const {
    const auto& r = rows_;
    return {valueOf(r[0].offset), valueOf(r[1].offset), valueOf(r[2].offset),
            valueOf(r[0].gain),   valueOf(r[1].gain),   valueOf(r[2].gain)};
}

}  // namespace tilt::config::ui
