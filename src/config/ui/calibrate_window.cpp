#include "config/ui/calibrate_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include "common/messages.h"
#include "common/ui/app_context.h"
#include "config/transfer_report.h"
#include "config/ui/calibration_grid.h"
#include "config/ui/config_record.h"
#include "link/device_link.h"
#include "live/live_sampling.h"
#include "platform/ui/device_thread.h"

namespace tilt::config::ui {

namespace {
constexpr const char* kWindow = "Calibrate";
constexpr const char* kIdleCaption = "Write Progress";
// The cells a write fills, as the step counter runs through them: 2 to 13, then 14 at the end.
constexpr std::chrono::seconds kPictureSampling{3};
}  // namespace

CalibrateWindow::CalibrateWindow(common::ui::AppContext& context, QWidget* parent)
    : QMainWindow(parent),
      context_(context),
      readings_(this, [this](const CalibrationTracker& t) { showCalibration(t); }) {
    setObjectName(QStringLiteral("Calibrate"));
    setWindowTitle(QStringLiteral("Calibrate"));
    setWindowFlag(Qt::Window);
    // Return unloads the window: the next opening starts with fresh values.
    setAttribute(Qt::WA_DeleteOnClose);
    buildMenus();
    buildControls();
}

void CalibrateWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->menuAction()->setObjectName(QStringLiteral("mnuData"));
    auto add = [&](const char* name, const QString& caption, void (CalibrateWindow::*handler)()) {
        QAction* action = file->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    sampleAction_ = add("mnuSample", QStringLiteral("&Sample"), &CalibrateWindow::toggleSampling);
    sampleAction_->setCheckable(true);
    writeAction_ = add("mnuWrite", QStringLiteral("&Write"), &CalibrateWindow::writeCalibration);
    context_.device.guardEntry(sampleAction_);
    context_.device.guardEntry(writeAction_);
    file->addSeparator();
    add("mnuReturn", QStringLiteral("&Return"), &CalibrateWindow::leave);
}

void CalibrateWindow::buildControls() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    accelerometerBox_ = new CalibrationGrid(central);
    layout->addWidget(accelerometerBox_);
    progressBox_ = new QGroupBox(QString::fromLatin1(kIdleCaption), central);
    progressBox_->setObjectName(QStringLiteral("fraProgress"));
    auto* progress = new QVBoxLayout(progressBox_);
    progressBar_ = new QProgressBar(progressBox_);
    progressBar_->setObjectName(QStringLiteral("PBar"));
    progressBar_->setRange(0, calibrationEndCell());
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progress->addWidget(progressBar_);
    note_ = new QLabel(progressBox_);
    note_->setObjectName(QStringLiteral("lblNote"));
    note_->setWordWrap(true);
    note_->hide();
    progress->addWidget(note_);
    layout->addWidget(progressBox_);
    layout->addStretch();
    setCentralWidget(central);
    resize(720, 250);
}

void CalibrateWindow::leave() {
    close();
}

void CalibrateWindow::closeEvent(QCloseEvent* event) {
    // Leaving the window ends what it runs; a write stops between two cells, never within one.
    if (sampling_ || writing_) {
        context_.device.stop();
    }
    QMainWindow::closeEvent(event);
}

// --- Sampling -----------------------------------------------------------------------------

void CalibrateWindow::toggleSampling() {
    if (sampling_) {
        stopSampling();
    } else if (!writing_) {
        startSampling(true);
    }
    sampleAction_->setChecked(sampling_);  // a checkable entry toggles itself when chosen
}

void CalibrateWindow::startSampling(bool warnAboutShaker) {
    resetCalibrationValues();
    accelerometerBox_->clearCalibrationBoxes();
    accelerometerBox_->initMinMaxBoxes();
    accelerometerBox_->forgetEdits();
    sampling_ = true;
    sampleAction_->setChecked(true);
    writeAction_->setEnabled(false);
    if (warnAboutShaker) {
        context_.messages.show("Shaker will be disabled prior to calibration start!");
    }
    readings_.discard();
    showNote({});
    // Every reading counts for the smallest and largest, so they are tracked where the readings
    // arrive; the window is shown the newest state once a frame.
    auto publish = readings_.publisher();
    SamplingWatch watch;
    // The shaker's 0 is in the logger even if this window is closed before it hears of it.
    watch.shakerOff =
        platform::ui::DeviceThread::toWindow<>(&context_.loggerEvents, [&context = context_] {
            context.state.configuration.shaker = Switch::Off;
            emit context.loggerEvents.configurationWritten();
        });
    watch.silence = platform::ui::DeviceThread::toWindow<bool>(
        this, [this](bool silent) { showSilence(silent); });
    const bool started = context_.device.start<SamplingEnd>(
        this,
        {.title = "Calibration sampling",
         .source = "mnuSample_Click",
         .entry = sampleAction_,
         .commPort = context_.state.commPort,
         .screen = kWindow},
        [publish, watch](const link::JobScope& job) {
            CalibrationTracker tracker;
            return sampleAccelerometers(
                job,
                [&](const link::AccelerometerReading& reading) {
                    tracker.add(reading);
                    publish(tracker);
                },
                watch);
        },
        [this](SamplingEnd end) { samplingEnded(end); },
        [this] {
            if (sampling_) {  // ended on its own: the port failed
                readings_.flush();
                finishSampling();
            }
            // Only now is the device free for a write or the next sampling.
            sampleAction_->setEnabled(true);
            writeAction_->setEnabled(true);
        });
    if (!started) {
        finishSampling();
        writeAction_->setEnabled(true);
    }
}

void CalibrateWindow::samplingEnded(SamplingEnd end) {
    if (end == SamplingEnd::PortFailed && sampling_) {
        // The error handler has told why; this says what is left and what to do.
        showNote(QString::fromStdString(live::samplingEndText(live::LiveEnd::PortFailed,
                                                              "choose File > Sample again")) +
                 QStringLiteral(" The boxes keep the readings until then; File > Write sends "
                                "their offsets and gains."));
    }
}

void CalibrateWindow::showSilence(bool silent) {
    if (!sampling_) {
        return;
    }
    showNote(
        silent ? QString::fromStdString(live::silentWhileSamplingText(accelerometerBox_->sampled()))
               : QString());
}

void CalibrateWindow::showNote(const QString& text) {
    note_->setText(text);
    note_->setVisible(!text.isEmpty());
}

void CalibrateWindow::stopSampling() {
    context_.device.stop();
    showNote({});       // the user has stopped: waiting is over
    readings_.flush();  // the boxes show the newest reading before they are taken
    finishSampling();
    sampleAction_->setEnabled(false);  // until the sampling has let go of the device
}

void CalibrateWindow::finishSampling() {
    sampling_ = false;
    sampleAction_->setChecked(false);
    captureCalibrationValues();
}

void CalibrateWindow::showCalibration(const CalibrationTracker& tracker) {
    if (!sampling_) {
        return;  // a reading that arrived as sampling stopped
    }
    accelerometerBox_->showCalibration(tracker);
}

void CalibrateWindow::resetCalibrationValues() {
    calibration_.fill(0);
}

void CalibrateWindow::captureCalibrationValues() {
    calibration_ = accelerometerBox_->offsetsAndGains();
}

// --- Write --------------------------------------------------------------------------------

void CalibrateWindow::writeCalibration() {
    if (sampling_) {
        return;  // the entry is disabled meanwhile
    }
    std::vector<std::optional<CellWrite>> ticks;
    try {
        ticks = calibrationWrite(calibration_);  // every byte checked before the first goes
    } catch (const UnsendableValue& e) {
        context_.messages.show(e.description());
        return;
    }
    auto onTick =
        platform::ui::DeviceThread::toWindow<int>(this, [this](int n) { showWriteTick(n); });
    const auto record = recordWrittenCells(context_, ticks);
    const bool started = context_.device.start<TickWriteResult>(
        this,
        // A write is not stopped by its entry.
        {.title = "Calibration write",
         .source = "mnuWrite_Click",
         .commPort = context_.state.commPort,
         .screen = kWindow},
        [ticks, onTick, record](const link::JobScope& job) {
            const auto written = writeTicks(job, ticks, onTick);
            record(written.ticksDone);
            return written;
        },
        [this](const TickWriteResult& written) { finishWrite(written.end, written.ticksDone); },
        [this] {
            if (writing_) {  // the write failed on its way: its report says all that is known
                finishWrite(TransferEnd::Stopped, 0);
            }
        });
    if (!started) {
        return;
    }
    writing_ = true;
    writeTicks_ = std::move(ticks);
    showNote({});
    setCursor(Qt::WaitCursor);
    sampleAction_->setEnabled(false);
}

void CalibrateWindow::showWriteTick(int ticksDone) {
    const int index = calibrationFirstCell() + ticksDone;
    if (index != calibrationEndCell()) {
        progressBox_->setTitle(QString::fromStdString(calibrationWritingCaption(ticksDone)));
        progressBar_->setValue(index);
    }
}

void CalibrateWindow::finishWrite(TransferEnd end, int ticksDone) {
    writing_ = false;
    sampleAction_->setEnabled(true);
    progressBox_->setTitle(QString::fromStdString(
        calibrationWritingCaption(calibrationEndCell() - calibrationFirstCell())));
    progressBar_->setValue(0);
    unsetCursor();
    if (end == TransferEnd::Completed) {
        context_.messages.show("Write completed!");
    } else if (end != TransferEnd::Stopped) {
        // The error handler has told why; this says which cells reached the logger.
        showNote(QString::fromStdString(
            writeEndText(end, writeTicks_, ticksDone, "choose File > Write")));
    }
}

// --- Picture ------------------------------------------------------------------------------

void CalibrateWindow::prepareForPicture() {
    // The picture shows the window at work, not the warning before it: a message box would wait
    // for a click that nobody gives. Sampling switches the shaker off, which a picture must never
    // do to a real logger: only a simulated one is sampled; otherwise the window is pictured idle.
    const auto port = link::findPort(context_.catalogue, context_.state.commPort);
    if (!port || !port->simulated || context_.device.busy()) {
        return;
    }
    startSampling(false);
    QEventLoop sampling;
    QTimer::singleShot(kPictureSampling, &sampling, &QEventLoop::quit);
    sampling.exec();
    if (sampling_) {
        stopSampling();
    }
    while (context_.device.busy()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

}  // namespace tilt::config::ui
