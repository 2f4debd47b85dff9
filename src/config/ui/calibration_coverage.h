#pragma once

#include <QWidget>
#include <optional>

namespace tilt::config::ui {

// How much of an accelerometer's range a calibration has seen so far: a bar over the raw counts
// 0 to 1023 with the span from the smallest to the largest reading filled in, its midpoint (the
// offset) marked, and a line at the latest reading. An axis is calibrated by turning the logger
// until the span stops growing at both ends, so the gaps show the positions still missing.
class CalibrationCoverage final : public QWidget {
  public:
    struct Span {
        double min = 0;
        double max = 0;
        double current = 0;
    };

    explicit CalibrationCoverage(QWidget* parent = nullptr);

    void setSpan(const Span& span);
    void clear();
    [[nodiscard]] const std::optional<Span>& span() const { return span_; }

    [[nodiscard]] QSize sizeHint() const override { return {160, 18}; }
    [[nodiscard]] QSize minimumSizeHint() const override { return {60, 12}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::optional<Span> span_;
};

}  // namespace tilt::config::ui
