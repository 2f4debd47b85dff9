#pragma once

#include <QString>
#include <QWidget>
#include <span>
#include <utility>
#include <vector>

#include "live/ui/strip_history.h"

class QCustomPlot;
class QLabel;
class QMouseEvent;
class QPushButton;

namespace tilt::live::ui {

// The last minute of a live window's readings as traces, newest at the right. Pause freezes the
// picture while the readings go on into the history; Resume draws the history as it is by then.
// Pointing at the chart shows the reading under the pointer.
class StripChart final : public QWidget {
  public:
    // One trace per name ("X", "Y"), each value shown with `unit` after it ("°" or nothing).
    // The value axis spans at least `leastSpan`, so that a still logger's noise is not blown up
    // to the chart's height.
    StripChart(std::vector<QString> traceNames, QString unit, double leastSpan,
               QWidget* parent = nullptr);

    // The value axis's range: the readings drawn, with room above and below them.
    [[nodiscard]] std::pair<double, double> valueRange() const;

    // A new sampling run: its times start again at 0.
    void clear();

    // A frame's readings, oldest first. Redraws once, unless paused.
    void append(std::span<const ChartPoint> points);

    void setPaused(bool paused);
    [[nodiscard]] bool paused() const { return paused_; }

    [[nodiscard]] const StripHistory& history() const { return history_; }

    // The read-out for a point on the plot: the time and the values of the drawn reading nearest
    // to it, or empty when the point is outside the plotting area or nothing is drawn.
    [[nodiscard]] QString readoutAt(const QPointF& position) const;

  private:
    void drawHistory();
    void addToGraphs(std::span<const ChartPoint> points);
    void fitAxes();
    void showReadout(QMouseEvent* event);

    std::vector<QString> traceNames_;
    QString unit_;
    double leastSpan_;
    StripHistory history_;
    bool paused_ = false;
    QCustomPlot* plot_ = nullptr;
    QPushButton* pauseButton_ = nullptr;
    QLabel* readout_ = nullptr;
};

}  // namespace tilt::live::ui
