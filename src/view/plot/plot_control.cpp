#include "view/plot/plot_control.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace tilt::view::plot {

namespace {

constexpr int kLeftMargin = 78;  // room for "-180" and the axis title

QColor colorOf(std::uint32_t bgr) {
    return {static_cast<int>(bgr & 0xFFU), static_cast<int>((bgr >> 8U) & 0xFFU),
            static_cast<int>((bgr >> 16U) & 0xFFU)};
}

const QPen& defaultCursorPen() {
    static const QPen pen(QColor(110, 110, 110), 1, Qt::DotLine);
    return pen;
}

QString numberText(double value) {
    return QString::number(value, 'g', 10);
}

template <typename T>
QVector<QCPGraphData> pointsOf(std::span<const T> values, double firstX, double increment) {
    QVector<QCPGraphData> points(static_cast<qsizetype>(values.size()));
    for (std::size_t k = 0; k < values.size(); ++k) {
        points[static_cast<qsizetype>(k)] = {firstX + static_cast<double>(k) * increment,
                                             static_cast<double>(values[k])};
    }
    return points;
}

}  // namespace

PlotControl::PlotControl(QWidget* parent) : QCustomPlot(parent) {
    plot_ = addGraph();
    plot_->setAdaptiveSampling(true);
    setPresentation(Presentation::Trace);
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom);
    setNoAntialiasingOnDrag(true);
    setMinimumSize(240, 140);
    setMouseTracking(true);
    // A fixed left margin lines up the X and Y graphs of a window, whatever their tick labels,
    // so that the same sample sits at the same place on both.
    axisRect()->setAutoMargins(QCP::msTop | QCP::msRight | QCP::msBottom);
    axisRect()->setMargins(QMargins(kLeftMargin, 0, 0, 0));
    xAxis->grid()->setSubGridVisible(false);
    yAxis->grid()->setZeroLinePen(QPen(QColor(150, 150, 150), 1));
    connect(this, &QCustomPlot::mouseDoubleClick, this, [this] { resetView(); });
    connect(this, &QCustomPlot::mouseMove, this,
            [this](QMouseEvent* event) { emit readoutChanged(readoutAt(event->position())); });
}

QCPAxis* PlotControl::axis(int number) const {
    if (number == kXAxis) {
        return xAxis;
    }
    if (number == kYAxis) {
        return yAxis;
    }
    throw std::out_of_range("A graph has axes 1 (X) and 2 (Y) only");
}

void PlotControl::clearData() {
    plot_->data()->clear();
    refresh();
}

void PlotControl::plotY(std::span<const double> values, double firstX, double increment) {
    showData(pointsOf(values, firstX, increment));
}

void PlotControl::plotY(std::span<const std::int16_t> values, double firstX, double increment) {
    showData(pointsOf(values, firstX, increment));
}

void PlotControl::showData(QVector<QCPGraphData>&& points) {
    // Keys rise with the index; a negative increment would need sorting.
    const bool sorted = points.size() < 2 || points.front().key <= points.back().key;
    plot_->data()->set(points, sorted);
    scaleAutomaticAxes();
    refresh();
}

void PlotControl::setAutoScale(int axisNumber, bool on) {
    (void)axis(axisNumber);
    autoScale_[axisNumber - 1] = on;
    if (on) {
        scaleAutomaticAxes();
        refresh();
    }
}

void PlotControl::setAxisRange(int axisNumber, double minimum, double maximum) {
    axis(axisNumber)->setRange(minimum, maximum);
    home_[axisNumber - 1] = axis(axisNumber)->range();
    refresh();
}

void PlotControl::setAxisTitle(int axisNumber, const QString& title) {
    axis(axisNumber)->setLabel(title);
    refresh();
}

void PlotControl::scaleAutomaticAxes() {
    if (plot_->data()->isEmpty()) {
        return;
    }
    bool found = false;
    if (autoScale_[0]) {
        const QCPRange keys = plot_->getKeyRange(found);
        if (found) {
            xAxis->setRange(keys.lower, keys.upper > keys.lower ? keys.upper : keys.lower + 1);
            home_[0] = xAxis->range();
        }
    }
    if (autoScale_[1]) {
        QCPRange values = plot_->getValueRange(found);
        if (found) {
            const double margin = values.size() > 0 ? values.size() * 0.05 : 1;
            values = {values.lower - (values.lower < 0 ? margin : 0), values.upper + margin};
            yAxis->setRange(values);
            home_[1] = yAxis->range();
        }
    }
}

void PlotControl::setPresentation(Presentation presentation) {
    presentation_ = presentation;
    const QColor blue(20, 80, 170);
    if (presentation == Presentation::Bins) {
        plot_->setLineStyle(QCPGraph::lsImpulse);
        plot_->setPen(QPen(blue, 3));
        plot_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    } else {
        plot_->setLineStyle(QCPGraph::lsLine);
        plot_->setPen(QPen(blue, 1));
        plot_->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    }
    refresh();
}

void PlotControl::addCursor() {
    Cursor cursor;
    cursor.vertical = new QCPItemStraightLine(this);
    cursor.horizontal = new QCPItemStraightLine(this);
    cursor.dot = new QCPItemTracer(this);
    cursor.dot->setStyle(QCPItemTracer::tsNone);
    cursor.vertical->setPen(defaultCursorPen());
    cursor.horizontal->setVisible(false);
    cursors_.push_back(cursor);
    placeCursor(cursors_.back(), 0, 0);
    refresh();
}

void PlotControl::removeAllCursors() {
    for (const Cursor& cursor : cursors_) {
        removeItem(cursor.vertical);
        removeItem(cursor.horizontal);
        removeItem(cursor.dot);
    }
    cursors_.clear();
    refresh();
}

PlotControl::Cursor& PlotControl::cursorAt(int cursor) {
    if (cursor < 1 || cursor > cursorCount()) {
        throw std::out_of_range("No cursor " + std::to_string(cursor) + " on this graph");
    }
    return cursors_[static_cast<std::size_t>(cursor - 1)];
}

const PlotControl::Cursor& PlotControl::cursorAt(int cursor) const {
    return const_cast<PlotControl*>(this)->cursorAt(cursor);
}

void PlotControl::placeCursor(Cursor& cursor, double x, double y) {
    cursor.vertical->point1->setCoords(x, 0);
    cursor.vertical->point2->setCoords(x, 1);
    cursor.horizontal->point1->setCoords(0, y);
    cursor.horizontal->point2->setCoords(1, y);
    cursor.dot->position->setCoords(x, y);
}

void PlotControl::setCursorPosition(int cursor, double x, double y) {
    placeCursor(cursorAt(cursor), x, y);
    refresh();
}

void PlotControl::setCursorLook(int cursor, const CursorLook& look) {
    Cursor& c = cursorAt(cursor);
    const QPen pen(colorOf(look.color), 1.5);
    c.vertical->setPen(pen);
    c.horizontal->setPen(pen);
    c.horizontal->setVisible(look.crosshairStyle != 0);
    c.dot->setStyle(look.pointStyle > 0 ? QCPItemTracer::tsCircle : QCPItemTracer::tsNone);
    c.dot->setSize(look.pointStyle);
    c.dot->setPen(pen);
    c.dot->setBrush(colorOf(look.color));
    c.defaultLook = false;
    refresh();
}

QPointF PlotControl::cursorPosition(int cursor) const {
    return cursorAt(cursor).dot->position->coords();
}

bool PlotControl::hasDefaultLook(int cursor) const {
    return cursorAt(cursor).defaultLook;
}

int PlotControl::pointCount() const {
    return plot_->data()->size();
}

QPointF PlotControl::point(int k) const {
    const auto it = plot_->data()->at(k);
    return {it->key, it->value};
}

QCPRange PlotControl::axisRange(int axisNumber) const {
    return axis(axisNumber)->range();
}

bool PlotControl::autoScale(int axisNumber) const {
    (void)axis(axisNumber);
    return autoScale_[axisNumber - 1];
}

void PlotControl::resetView() {
    xAxis->setRange(home_[0]);
    yAxis->setRange(home_[1]);
    scaleAutomaticAxes();
    refresh();
}

QString PlotControl::readoutAt(const QPointF& position) const {
    const auto* points = plot_->data().data();
    if (points->isEmpty() || !axisRect()->rect().contains(position.toPoint())) {
        return {};
    }
    const double key = xAxis->pixelToCoord(position.x());
    auto it = points->findBegin(key, false);
    if (it != points->constBegin() &&
        (it == points->constEnd() || std::abs((it - 1)->key - key) < std::abs(it->key - key))) {
        --it;
    }
    if (it == points->constEnd() || std::isnan(it->value)) {
        return {};
    }
    const QString xTitle = xAxis->label().isEmpty() ? QStringLiteral("X") : xAxis->label();
    const QString yTitle = yAxis->label().isEmpty() ? QStringLiteral("Y") : yAxis->label();
    return QStringLiteral("%1: %2    %3: %4")
        .arg(xTitle, numberText(it->key), yTitle, numberText(it->value));
}

void PlotControl::refresh() {
    replot(QCustomPlot::rpQueuedReplot);
}

}  // namespace tilt::view::plot
