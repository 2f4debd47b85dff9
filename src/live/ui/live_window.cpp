#include "live/ui/live_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <cmath>
#include <string>

#include "common/error.h"
#include "common/error_reporter.h"
#include "common/ui/app_context.h"
#include "link/device_link.h"
#include "link/port_catalogue.h"
#include "live/ui/live_feed.h"
#include "live/ui/locale_number.h"
#include "live/ui/strip_chart.h"
#include "logging/data_file.h"
#include "platform/ui/device_thread.h"

namespace tilt::live::ui {

namespace {
constexpr std::chrono::seconds kPictureSampling{1};

}  // namespace

LiveWindow::LiveWindow(common::ui::AppContext& context, Kind kind, QWidget* parent)
    : QMainWindow(parent), context_(context), kind_(std::move(kind)) {
    const QString name = QString::fromLatin1(kind_.window);
    setObjectName(name);
    setWindowTitle(name);
    setWindowFlag(Qt::Window);
    // Return unloads the window: the next opening starts idle, with Save unchecked.
    setAttribute(Qt::WA_DeleteOnClose);
    buildMenus();

    auto* central = new QWidget(this);
    layout_ = new QVBoxLayout(central);
    chart_ = new StripChart(kind_.traces, kind_.unit, kind_.leastSpan, central);
    layout_->addWidget(chart_, 1);
    // Under the chart, where the eye goes when the readings stop: a line in the status bar would
    // be cut off.
    message_ = new QLabel(central);
    message_->setObjectName(QStringLiteral("lblMessage"));
    message_->setWordWrap(true);
    message_->hide();
    layout_->addWidget(message_);
    setCentralWidget(central);
    rateLabel_ = new QLabel(this);
    rateLabel_->setObjectName(QStringLiteral("lblRate"));
    statusBar()->addPermanentWidget(rateLabel_);
}

void LiveWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->menuAction()->setObjectName(QStringLiteral("mnuData"));
    auto add = [&](const char* name, const QString& caption, void (LiveWindow::*handler)()) {
        QAction* action = file->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    saveAction_ = add("mnuSave", QStringLiteral("Sa&ve"), &LiveWindow::toggleSaving);
    saveAction_->setCheckable(true);
    sampleAction_ = add("mnuSample", QStringLiteral("&Sample"), &LiveWindow::toggleSampling);
    sampleAction_->setCheckable(true);
    context_.device.guardEntry(sampleAction_);
    file->addSeparator();
    add("mnuReturn", QStringLiteral("&Return"), &LiveWindow::leave);
}

void LiveWindow::setReadingsPanel(QWidget* panel) {
    layout_->insertWidget(0, panel);
}

// --- File menu ----------------------------------------------------------------------------

void LiveWindow::toggleSaving() {
    // Recording is switched only while idle: the entry is disabled while sampling.
    if (!sampling_) {
        AppState& state = context_.state;
        try {
            if (saving_) {
                saving_ = false;
                state.saveLiveReadings = false;
            } else {
                saveAction_->setChecked(true);
                const auto file =
                    logging::createDataFile(context_.fileDialogs, context_.paths.dataFiles(),
                                            kind_.fileKind, logging::liveFileHeader(state));
                saving_ = file.has_value() && !file->empty();
                if (saving_) {
                    state.dataFile = *file;
                }
                state.saveLiveReadings = saving_;
            }
        } catch (const Error& e) {
            context_.errors.report(e, "mnuSave_Click", kind_.window);
        }
    }
    saveAction_->setChecked(saving_);  // a checkable entry toggles itself when chosen
}

void LiveWindow::toggleSampling() {
    if (sampling_) {
        stopSampling();
    } else {
        startSampling();
    }
    sampleAction_->setChecked(sampling_);
}

void LiveWindow::leave() {
    context_.state.saveLiveReadings = false;
    close();
}

void LiveWindow::closeEvent(QCloseEvent* event) {
    // Leaving the window ends its sampling, and the recording it switched on.
    if (sampling_) {
        context_.device.stop();
    }
    if (saving_) {
        context_.state.saveLiveReadings = false;
    }
    QMainWindow::closeEvent(event);
}

// --- Sampling -----------------------------------------------------------------------------

void LiveWindow::startSampling() {
    const AppState& state = context_.state;
    LiveOptions options;
    if (state.saveLiveReadings && !state.dataFile.empty()) {
        options.recordTo = state.dataFile;
    }
    auto requests = std::make_shared<LoopRequests>();
    feed().discard();
    end_.reset();
    const bool started = context_.device.start<LiveEnd>(
        this,
        {.title = std::string(kind_.window) + " sampling",
         .source = "mnuSample_Click",
         .entry = sampleAction_,
         .commPort = state.commPort,
         .screen = kind_.window},
        [loop = makeLoop(), options, requests](const link::JobScope& job) {
            return loop(job, options, *requests);
        },
        [this](LiveEnd end) { end_ = end; }, [this] { loopEnded(); });
    if (!started) {
        return;
    }
    requests_ = std::move(requests);
    sampling_ = true;
    saveAction_->setEnabled(false);
    chart_->clear();
    rateLabel_->clear();
    showStatus({});
    anyReading_ = false;
    silenceText_.clear();
    samplingStarted();
}

void LiveWindow::stopSampling() {
    context_.device.stop();
    feed().flush();      // the newest reading is shown before the boxes are cleared
    showSilence(false);  // the user has stopped: waiting is over
    finishSampling();
    sampleAction_->setEnabled(false);  // until the loop has let go of the device
}

void LiveWindow::finishSampling() {
    sampling_ = false;
    requests_.reset();
    sampleAction_->setChecked(false);
    saveAction_->setEnabled(true);
    if (!picturing_) {
        rateLabel_->clear();
    }
    samplingStopped(!picturing_);
}

void LiveWindow::loopEnded() {
    sampleAction_->setEnabled(true);
    if (!sampling_) {
        return;  // the user stopped it: the window shows that already
    }
    // Ended on its own: the port failed or a reply stalled the loop. The error handler has told
    // why; this says what is left and what to do.
    feed().flush();
    QStringList text{QString::fromStdString(
        samplingEndText(end_.value_or(LiveEnd::PortFailed), "choose File > Sample again"))};
    text << unfinishedWriteText();
    if (saving_ && !context_.state.dataFile.empty()) {
        text << QStringLiteral("The readings until then are in %1.")
                    .arg(QString::fromStdString(context_.state.dataFile));
    }
    text.removeAll(QString());
    silenceText_.clear();
    finishSampling();
    showStatus(text.join(QLatin1Char(' ')));
}

std::function<void(bool)> LiveWindow::silenceNotice() {
    return platform::ui::DeviceThread::toWindow<bool>(this,
                                                      [this](bool silent) { showSilence(silent); });
}

void LiveWindow::showSilence(bool silent) {
    if (silent && sampling_) {
        silenceText_ = QString::fromStdString(silentWhileSamplingText(anyReading_));
        rateLabel_->clear();
        showStatus(silenceText_);
    } else if (!silenceText_.isEmpty()) {
        if (message_->text() == silenceText_) {
            showStatus({});
        }
        silenceText_.clear();
    }
}

void LiveWindow::showStatus(const QString& text) {
    message_->setText(text);
    message_->setVisible(!text.isEmpty());
}

bool LiveWindow::post(LoopRequest request) {
    if (!requests_) {
        return false;
    }
    requests_->post(request);
    return true;
}

std::function<void()> LiveWindow::recordingFailedNotice() {
    return platform::ui::DeviceThread::toWindow<>(this, [this] {
        showStatus(QStringLiteral(
            "Recording stopped: the data file cannot be written (see the error log). Sampling "
            "goes on."));
    });
}

LiveWindow::BoxFrame LiveWindow::boxFrame(const QString& title, const char* name,
                                          std::initializer_list<BoxRow> rows, QWidget* parent) {
    BoxFrame made{new QGroupBox(title, parent), {}};
    made.frame->setObjectName(QString::fromLatin1(name));
    auto* layout = new QFormLayout(made.frame);
    for (const BoxRow& row : rows) {
        auto* box = new QLineEdit(made.frame);
        box->setObjectName(QString::fromLatin1(row.name));
        box->setAccessibleName(QString::fromLatin1(row.accessibleName));
        box->setReadOnly(true);
        layout->addRow(QString::fromLatin1(row.label), box);
        made.boxes.push_back(box);
    }
    return made;
}

void LiveWindow::plotReadings(std::span<const ChartPoint> points, long askedAgain) {
    if (points.empty()) {
        return;
    }
    chart_->append(points);
    anyReading_ = true;
    // Readings a frame late do not bring back the pace of a logger that has fallen silent.
    if (const auto rate = chart_->history().rate(); rate && silenceText_.isEmpty()) {
        QString text = QStringLiteral("%1 readings/s").arg(localeNumber(std::round(*rate)));
        if (askedAgain > 0) {  // a noisy line: the technician sees a bad cable here
            text += askedAgain == 1 ? QStringLiteral(", 1 reply asked again")
                                    : QStringLiteral(", %1 replies asked again")
                                          .arg(localeNumber(static_cast<double>(askedAgain)));
        }
        rateLabel_->setText(text);
    }
}

// --- Picture ------------------------------------------------------------------------------

void LiveWindow::prepareForPicture() {
    // Only a simulated logger is sampled for the picture: a picture must not keep a real one
    // busy, and the readings it shows are only meaningful at work.
    const auto port = link::findPort(context_.catalogue, context_.state.commPort);
    if (!port || !port->simulated || context_.device.busy()) {
        return;
    }
    toggleSampling();
    QEventLoop sampling;
    QTimer::singleShot(kPictureSampling, &sampling, &QEventLoop::quit);
    sampling.exec();
    picturing_ = true;  // the picture shows the last readings, not cleared boxes
    if (sampling_) {
        toggleSampling();
    }
    while (context_.device.busy()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    picturing_ = false;
}

}  // namespace tilt::live::ui
