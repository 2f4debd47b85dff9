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
    lblMessage_ = new QLabel(central);
    lblMessage_->setObjectName(QStringLiteral("lblMessage"));
    lblMessage_->setWordWrap(true);
    lblMessage_->hide();
    layout_->addWidget(lblMessage_);
    setCentralWidget(central);
    lblRate_ = new QLabel(this);
    lblRate_->setObjectName(QStringLiteral("lblRate"));
    statusBar()->addPermanentWidget(lblRate_);
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
    mnuSave_ = add("mnuSave", QStringLiteral("Sa&ve"), &LiveWindow::mnuSave_Click);
    mnuSave_->setCheckable(true);
    mnuSample_ = add("mnuSample", QStringLiteral("&Sample"), &LiveWindow::mnuSample_Click);
    mnuSample_->setCheckable(true);
    context_.device.guardEntry(mnuSample_);
    file->addSeparator();
    add("mnuReturn", QStringLiteral("&Return"), &LiveWindow::mnuReturn_Click);
}

void LiveWindow::setReadingsPanel(QWidget* panel) {
    layout_->insertWidget(0, panel);
}

// --- File menu ----------------------------------------------------------------------------

void LiveWindow::mnuSave_Click() {
    // Recording is switched only while idle: the entry is disabled while sampling.
    if (!sampling_) {
        AppState& state = context_.state;
        try {
            if (saving_) {
                saving_ = false;
                state.saveLiveReadings = false;
            } else {
                mnuSave_->setChecked(true);
                const auto file =
                    logging::CreateDataFile(context_.fileDialogs, context_.paths.dataFiles(),
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
    mnuSave_->setChecked(saving_);  // a checkable entry toggles itself when chosen
}

void LiveWindow::mnuSample_Click() {
    if (sampling_) {
        stopSampling();
    } else {
        startSampling();
    }
    mnuSample_->setChecked(sampling_);
}

void LiveWindow::mnuReturn_Click() {
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
         .entry = mnuSample_,
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
    mnuSave_->setEnabled(false);
    chart_->clear();
    lblRate_->clear();
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
    mnuSample_->setEnabled(false);  // until the loop has let go of the device
}

void LiveWindow::finishSampling() {
    sampling_ = false;
    requests_.reset();
    mnuSample_->setChecked(false);
    mnuSave_->setEnabled(true);
    if (!picturing_) {
        lblRate_->clear();
    }
    samplingStopped(!picturing_);
}

void LiveWindow::loopEnded() {
    mnuSample_->setEnabled(true);
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
        lblRate_->clear();
        showStatus(silenceText_);
    } else if (!silenceText_.isEmpty()) {
        if (lblMessage_->text() == silenceText_) {
            showStatus({});
        }
        silenceText_.clear();
    }
}

void LiveWindow::showStatus(const QString& text) {
    lblMessage_->setText(text);
    lblMessage_->setVisible(!text.isEmpty());
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

void LiveWindow::plotReadings(std::span<const ChartPoint> points) {
    if (points.empty()) {
        return;
    }
    chart_->append(points);
    anyReading_ = true;
    // Readings a frame late do not bring back the pace of a logger that has fallen silent.
    if (const auto rate = chart_->history().rate(); rate && silenceText_.isEmpty()) {
        lblRate_->setText(QStringLiteral("%1 readings/s").arg(localeNumber(std::round(*rate))));
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
    mnuSample_Click();
    QEventLoop sampling;
    QTimer::singleShot(kPictureSampling, &sampling, &QEventLoop::quit);
    sampling.exec();
    picturing_ = true;  // the picture shows the last readings, not cleared boxes
    if (sampling_) {
        mnuSample_Click();
    }
    while (context_.device.busy()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    picturing_ = false;
}

}  // namespace tilt::live::ui
