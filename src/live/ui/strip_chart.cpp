#include "live/ui/strip_chart.h"

#include <qcustomplot.h>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "live/ui/locale_number.h"

namespace tilt::live::ui {

namespace {
const std::array<QColor, 3> kTraceColors = {QColor(0, 90, 200), QColor(200, 40, 40),
                                            QColor(20, 150, 60)};
// Room above and below the readings, as a share of their span: a trace at its highest or
// lowest is drawn clear of the frame.
constexpr double kValueMargin = 0.15;
// The plot's least height: with the axis labels and the legend row, it leaves the traces about
// 140 pixels however much the window above it holds.
constexpr int kChartHeight = 220;
}  // namespace

StripChart::StripChart(std::vector<QString> traceNames, QString unit, double leastSpan,
                       QWidget* parent)
    : QWidget(parent),
      traceNames_(std::move(traceNames)),
      unit_(std::move(unit)),
      leastSpan_(leastSpan) {
    setObjectName(QStringLiteral("fraStripChart"));
    plot_ = new QCustomPlot(this);
    plot_->setObjectName(QStringLiteral("stripChart"));
    plot_->setMinimumHeight(kChartHeight);
    plot_->setMouseTracking(true);
    plot_->xAxis->setLabel(QStringLiteral("Seconds"));
    // The legend goes in a row of its own under the chart, never over the traces.
    auto* legendRow = new QCPLayoutGrid;
    plot_->plotLayout()->addElement(1, 0, legendRow);
    plot_->plotLayout()->setRowStretchFactor(1, 0.001);
    legendRow->setMargins(QMargins(5, 0, 5, 5));
    legendRow->addElement(0, 0, plot_->legend);
    plot_->legend->setFillOrder(QCPLegend::foColumnsFirst);
    plot_->legend->setBorderPen(Qt::NoPen);
    plot_->legend->setVisible(true);
    for (std::size_t i = 0; i < traceNames_.size(); ++i) {
        QCPGraph* graph = plot_->addGraph();
        graph->setName(traceNames_[i]);
        graph->setPen(QPen(kTraceColors[i % kTraceColors.size()]));
        graph->setAdaptiveSampling(true);  // a minute of readings is many more than pixels
    }
    connect(plot_, &QCustomPlot::mouseMove, this, &StripChart::showReadout);

    pauseButton_ = new QPushButton(QStringLiteral("Pause"), this);
    pauseButton_->setObjectName(QStringLiteral("cmdPause"));
    pauseButton_->setCheckable(true);
    connect(pauseButton_, &QPushButton::toggled, this, &StripChart::setPaused);
    readout_ = new QLabel(this);
    readout_->setObjectName(QStringLiteral("lblReadout"));

    auto* controls = new QHBoxLayout;
    controls->addWidget(pauseButton_);
    controls->addWidget(readout_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(plot_, 1);
    layout->addLayout(controls);
    drawHistory();
}

void StripChart::clear() {
    history_.clear();
    readout_->clear();
    drawHistory();
}

void StripChart::append(std::span<const ChartPoint> points) {
    history_.append(points);
    if (paused_ || points.empty()) {
        return;
    }
    addToGraphs(points);
    fitAxes();
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void StripChart::setPaused(bool paused) {
    if (paused == paused_) {
        return;
    }
    paused_ = paused;
    const QSignalBlocker quiet(pauseButton_);
    pauseButton_->setChecked(paused);
    if (!paused) {
        drawHistory();
    }
}

void StripChart::drawHistory() {
    for (int g = 0; g < plot_->graphCount(); ++g) {
        plot_->graph(g)->data()->clear();
    }
    const auto& points = history_.points();
    addToGraphs(std::vector<ChartPoint>(points.begin(), points.end()));
    fitAxes();
    plot_->replot(QCustomPlot::rpQueuedReplot);
}

void StripChart::addToGraphs(std::span<const ChartPoint> points) {
    if (points.empty()) {
        return;
    }
    QVector<double> keys;
    keys.reserve(static_cast<qsizetype>(points.size()));
    for (const ChartPoint& p : points) {
        keys.push_back(p.seconds);
    }
    const double oldest = points.back().seconds - history_.span();
    for (int g = 0; g < plot_->graphCount(); ++g) {
        QVector<double> values;
        values.reserve(keys.size());
        for (const ChartPoint& p : points) {
            values.push_back(p.values[static_cast<std::size_t>(g)]);
        }
        QCPGraph* graph = plot_->graph(g);
        graph->addData(keys, values, true);
        graph->data()->removeBefore(oldest);
    }
}

void StripChart::fitAxes() {
    const auto& points = history_.points();
    const double newest = points.empty() ? 0 : points.back().seconds;
    const double first = std::max(0.0, newest - history_.span());
    plot_->xAxis->setRange(first, first + history_.span());
    bool found = false;
    QCPRange values;
    for (int g = 0; g < plot_->graphCount(); ++g) {
        bool inGraph = false;
        const QCPRange range = plot_->graph(g)->getValueRange(inGraph);
        if (inGraph) {
            values = found ? QCPRange(std::min(values.lower, range.lower),
                                      std::max(values.upper, range.upper))
                           : range;
            found = true;
        }
    }
    if (!found) {
        values = QCPRange(-1, 1);
    }
    const double middle = values.center();
    const double half = std::max(values.size(), leastSpan_) * (0.5 + kValueMargin);
    plot_->yAxis->setRange(middle - half, middle + half);
}

std::pair<double, double> StripChart::valueRange() const {
    return {plot_->yAxis->range().lower, plot_->yAxis->range().upper};
}

QString StripChart::readoutAt(const QPointF& position) const {
    if (plot_->graphCount() == 0 || !plot_->axisRect()->rect().contains(position.toPoint())) {
        return {};
    }
    const auto drawn = plot_->graph(0)->data();
    if (drawn->isEmpty()) {
        return {};
    }
    const double key = plot_->xAxis->pixelToCoord(position.x());
    auto at = drawn->findBegin(key, false);
    if (at == drawn->constEnd() ||
        (at != drawn->constBegin() && key - (at - 1)->key < at->key - key)) {
        --at;
    }
    const int index = static_cast<int>(at - drawn->constBegin());
    QString text = localeNumber(at->key) + QStringLiteral(" s");
    for (int g = 0; g < plot_->graphCount(); ++g) {
        text += QStringLiteral("   %1 %2%3")
                    .arg(traceNames_[static_cast<std::size_t>(g)],
                         localeNumber(plot_->graph(g)->data()->at(index)->value), unit_);
    }
    return text;
}

void StripChart::showReadout(QMouseEvent* event) {
    readout_->setText(readoutAt(event->position()));
}

}  // namespace tilt::live::ui
