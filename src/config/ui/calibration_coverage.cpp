#include "config/ui/calibration_coverage.h"

#include <QPainter>
#include <algorithm>

#include "common/number_text.h"
#include "link/protocol.h"

namespace tilt::config::ui {

namespace {
// The raw counts an accelerometer gives.
constexpr double kFullScale = link::kAccelerometerCountMax;

QString countText(double count) {
    return QString::fromStdString(numberText(count));
}
}  // namespace

CalibrationCoverage::CalibrationCoverage(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    clear();
}

void CalibrationCoverage::setSpan(const Span& span) {
    span_ = span;
    setToolTip(QStringLiteral("Readings seen from %1 to %2 of 0 to %3; now %4")
                   .arg(countText(span.min), countText(span.max), countText(kFullScale),
                        countText(span.current)));
    update();
}

void CalibrationCoverage::clear() {
    span_.reset();
    setToolTip(QStringLiteral("No readings yet"));
    update();
}

void CalibrationCoverage::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    const QRectF groove = QRectF(rect()).adjusted(1, 3, -1, -3);
    const auto xOf = [&](double count) {
        return groove.left() + std::clamp(count, 0.0, kFullScale) / kFullScale * groove.width();
    };
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(groove);
    if (!span_) {
        return;
    }
    const QRectF covered(QPointF(xOf(span_->min), groove.top()),
                         QPointF(xOf(span_->max), groove.bottom()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x5c, 0xb8, 0x5c));
    painter.drawRect(covered.width() < 2 ? covered.adjusted(-1, 0, 1, 0) : covered);
    painter.setPen(QPen(QColor(0x1f, 0x4e, 0x9c), 1, Qt::DashLine));
    const double offset = xOf((span_->min + span_->max) / 2);
    painter.drawLine(QPointF(offset, groove.top()), QPointF(offset, groove.bottom()));
    painter.setPen(QPen(QColor(0xc0, 0x20, 0x20), 2));
    const double now = xOf(span_->current);
    painter.drawLine(QPointF(now, rect().top()), QPointF(now, rect().bottom()));
}

}  // namespace tilt::config::ui
