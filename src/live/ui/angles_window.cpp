#include "live/ui/angles_window.h"

#include <QDial>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "common/ui/app_context.h"
#include "link/device_link.h"
#include "live/ui/angle_display.h"
#include "live/ui/locale_number.h"
#include "logging/data_file.h"
#include "platform/ui/device_thread.h"

namespace tilt::live::ui {

namespace {
constexpr const char* kWindow = "Angles";
// The dials turn in tenths of a degree, a whole turn for 360°: an angle points where it is.
constexpr int kDialTenths = 1800;
// The chart shows at least this many degrees: a still logger's tenth-degree steps stay small.
constexpr double kLeastDegreesShown = 10;

std::size_t indexOf(Axis axis) {
    return axis == Axis::X ? 0 : 1;
}

QString axisName(Axis axis) {
    return axis == Axis::X ? QStringLiteral("X") : QStringLiteral("Y");
}

QString tareCaption(Axis axis) {
    return QStringLiteral("Tare ") + axisName(axis);
}

QString untareCaption(Axis axis) {
    return QStringLiteral("Untare ") + axisName(axis);
}

int dialValue(double degrees) {
    return static_cast<int>(std::lround(degrees * 10));
}

}  // namespace

AnglesWindow::AnglesWindow(common::ui::AppContext& context, QWidget* parent)
    : LiveWindow(context,
                 {kWindow,
                  logging::kAngles,
                  {QStringLiteral("X"), QStringLiteral("Y")},
                  QStringLiteral("°"),
                  kLeastDegreesShown},
                 parent),
      feed_(this, [this](const std::vector<AngleSample>& samples) { showReadings(samples); }) {
    setReadingsPanel(buildReadings());
    showTares();
    // A tare written elsewhere (the Configuration window) shows here too.
    connect(&context_.loggerEvents, &common::ui::LoggerEvents::configurationWritten, this,
            &AnglesWindow::showTares);
    resize(560, 620);
}

void AnglesWindow::showTares() {
    const AppState& state = context_.state;
    axes_[0].tare->setText(localeNumber(state.configuration.tareX));
    axes_[1].tare->setText(localeNumber(state.configuration.tareY));
}

QWidget* AnglesWindow::buildReadings() {
    auto* panel = new QWidget(this);
    const BoxFrame angles = boxFrame(QStringLiteral("Angles"), "fraAngles",
                                     {{"X", "txtX", "X Angle"}, {"Y", "txtY", "Y Angle"}}, panel);
    const BoxFrame words =
        boxFrame(QStringLiteral("Raw Word"), "fraRawWord",
                 {{"X", "txtWordX", "X Raw Word"}, {"Y", "txtWordY", "Y Raw Word"}}, panel);
    const BoxFrame tares = boxFrame(
        QStringLiteral("Tare"), "fraTare",
        {{"X", "txtTareX", "X Tare (degrees)"}, {"Y", "txtTareY", "Y Tare (degrees)"}}, panel);
    for (std::size_t i = 0; i < axes_.size(); ++i) {
        axes_[i].angle = angles.boxes[i];
        axes_[i].word = words.boxes[i];
        axes_[i].tare = tares.boxes[i];
    }
    auto* boxes = new QHBoxLayout;
    for (QGroupBox* frame : {angles.frame, words.frame, tares.frame}) {
        boxes->addWidget(frame);
    }
    auto* dials = new QHBoxLayout;
    dials->addWidget(buildAxisFrame(Axis::X, panel));
    dials->addWidget(buildAxisFrame(Axis::Y, panel));
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(boxes);
    layout->addLayout(dials);
    return panel;
}

QGroupBox* AnglesWindow::buildAxisFrame(Axis axis, QWidget* parent) {
    const QString name = axisName(axis);
    auto* frame = new QGroupBox(name + QStringLiteral(" Axis"), parent);
    frame->setObjectName(QStringLiteral("fra") + name);
    AxisControls& controls = axes_[indexOf(axis)];
    controls.dial = angleDial(QStringLiteral("dial") + name, kDialTenths, 120, frame);
    controls.dial->setAccessibleName(name + QStringLiteral(" Angle Dial"));
    controls.tareButton = new QPushButton(untareCaption(axis), frame);
    controls.tareButton->setObjectName(QStringLiteral("cmdTare") + name);
    controls.tareButton->setEnabled(false);
    connect(controls.tareButton, &QPushButton::clicked, this,
            axis == Axis::X ? &AnglesWindow::toggleTareX : &AnglesWindow::toggleTareY);
    auto* layout = new QVBoxLayout(frame);
    layout->addWidget(controls.dial, 1);
    layout->addWidget(controls.tareButton);
    return frame;
}

LiveWindow::Loop AnglesWindow::makeLoop() {
    AngleLoopEvents events;
    events.reading = feed_.publisher();
    events.tare = cellsWrittenNotice<TareDone>(
        [](ConfigRecord& configuration, const TareDone& done) {
            (done.axis == Axis::X ? configuration.tareX : configuration.tareY) = done.tareDegrees;
        },
        [this](const TareDone& done) { showTare(done); });
    events.recordingFailed = recordingFailedNotice();
    events.silence = silenceNotice();
    return [events](const link::JobScope& job, const LiveOptions& options, LoopRequests& requests) {
        return sampleAngles(job, options, requests, events);
    };
}

void AnglesWindow::samplingStarted() {
    for (AxisControls& axis : axes_) {
        axis.tareButton->setEnabled(true);
    }
}

void AnglesWindow::samplingStopped(bool clear) {
    for (AxisControls& axis : axes_) {
        axis.tareButton->setEnabled(false);
        if (!axis.captionBeforeRequest.isEmpty()) {  // the stop dropped the request
            axis.tareButton->setText(axis.captionBeforeRequest);
            axis.captionBeforeRequest.clear();
        }
        if (clear) {
            axis.angle->clear();
            axis.dial->setValue(0);
        }
    }
}

// --- Tare ---------------------------------------------------------------------------------

void AnglesWindow::toggleTareX() {
    tareClicked(Axis::X);
}

void AnglesWindow::toggleTareY() {
    tareClicked(Axis::Y);
}

void AnglesWindow::tareClicked(Axis axis) {
    AxisControls& controls = axes_[indexOf(axis)];
    QPushButton* button = controls.tareButton;
    const bool untare = button->text() == untareCaption(axis);
    // The caption turns at once; the loop writes the cells between two replies and the button
    // comes back when it has.
    button->setEnabled(false);
    controls.captionBeforeRequest = button->text();
    button->setText(untare ? tareCaption(axis) : untareCaption(axis));
    if (!post(TareRequest{axis, untare})) {
        button->setText(controls.captionBeforeRequest);
        controls.captionBeforeRequest.clear();
        button->setEnabled(sampling());
    }
}

QString AnglesWindow::unfinishedWriteText() const {
    QStringList axes;
    for (Axis axis : {Axis::X, Axis::Y}) {
        if (!axes_[indexOf(axis)].captionBeforeRequest.isEmpty()) {
            axes << axisName(axis);
        }
    }
    if (axes.isEmpty()) {
        return {};
    }
    return QStringLiteral(
               "The %1 tare may not have been written: once sampling runs again, "
               "check the Tare box and click the button again.")
        .arg(axes.join(QStringLiteral(" and ")));
}

void AnglesWindow::showTare(const TareDone& done) {
    AxisControls& controls = axes_[indexOf(done.axis)];
    controls.tare->setText(localeNumber(done.tareDegrees));
    // What was written decides, also for a write that finished after a stop.
    controls.captionBeforeRequest.clear();
    controls.tareButton->setText(done.removed ? tareCaption(done.axis) : untareCaption(done.axis));
    controls.tareButton->setEnabled(sampling());
}

// --- Readings -----------------------------------------------------------------------------

void AnglesWindow::showReadings(const std::vector<AngleSample>& samples) {
    if (!sampling()) {
        return;  // readings that arrived as sampling stopped
    }
    const link::AngleReading& newest = samples.back().reading;
    const std::array<int, 2> words = {newest.wordX, newest.wordY};
    const std::array<double, 2> angles = {newest.angleX, newest.angleY};
    for (std::size_t i = 0; i < axes_.size(); ++i) {
        axes_[i].word->setText(QString::number(words[i]));
        axes_[i].angle->setText(localeNumber(angles[i]));
        axes_[i].dial->setValue(dialValue(angles[i]));
    }
    std::vector<ChartPoint> points;
    points.reserve(samples.size());
    for (const AngleSample& s : samples) {
        points.push_back({s.seconds, {s.reading.angleX, s.reading.angleY, 0}});
    }
    plotReadings(points, samples.back().askedAgain);
}

}  // namespace tilt::live::ui
