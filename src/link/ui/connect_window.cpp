#include "link/ui/connect_window.h"

#include <QBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>

#include "common/error.h"
#include "common/error_reporter.h"
#include "common/messages.h"
#include "common/rounding.h"
#include "common/ui/active_window.h"
#include "common/ui/app_context.h"
#include "common/ui/field_caption.h"
#include "link/auto_detect.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/onboard_parameters.h"
#include "link/port_catalogue.h"
#include "platform/settings_store.h"
#include "platform/ui/device_thread.h"

namespace tilt::link::ui {

namespace {
constexpr int kHighestPortNumber = 255;
constexpr int kWindowWidth = 440;
constexpr const char* kScreen = "Connect";
}  // namespace

ConnectWindow::ConnectWindow(common::ui::AppContext& context, ParametersRead onParametersRead,
                             QWidget* parent)
    : QDialog(parent), context_(context), onParametersRead_(std::move(onParametersRead)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Connect"));
    context_.catalogue.refresh();
    buildControls();
    portEdit_->setValue(context_.state.commPort);
    showPortName(context_.state.commPort);
}

void ConnectWindow::buildControls() {
    portEdit_ = new QSpinBox(this);
    portEdit_->setObjectName(QStringLiteral("NumEditCommPort"));
    portEdit_->setRange(0, kHighestPortNumber);
    portEdit_->setMinimumWidth(70);
    auto* caption = common::ui::fieldCaption(QStringLiteral("Select Comm Port"), portEdit_);
    portName_ = new QLabel(this);
    portName_->setObjectName(QStringLiteral("lblPortName"));
    portName_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    connect(portEdit_, &QSpinBox::valueChanged, this, &ConnectWindow::showPortName);

    activity_ = new QLabel(this);
    activity_->setObjectName(QStringLiteral("lblActivity"));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("PBarSearch"));
    progress_->setTextVisible(false);
    progress_->setMaximumHeight(10);

    searchButton_ = new QPushButton(QStringLiteral("Auto Detect"), this);
    searchButton_->setObjectName(QStringLiteral("cmdAutoDetect"));
    searchButton_->setAutoDefault(false);
    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("cmdOK"));
    okButton_->setDefault(true);
    connect(searchButton_, &QPushButton::clicked, this, &ConnectWindow::searchPorts);
    connect(okButton_, &QPushButton::clicked, this, &ConnectWindow::connectToChosenPort);

    auto* portRow = new QHBoxLayout;
    portRow->addWidget(portEdit_);
    portRow->addWidget(portName_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(searchButton_);
    buttons->addWidget(okButton_);

    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->addWidget(caption);
    layout->addLayout(portRow);
    layout->addWidget(activity_);
    layout->addWidget(progress_);
    layout->addLayout(buttons);
    // A steady width: the activity line wraps instead of widening the window.
    setFixedWidth(kWindowWidth);
    activity_->setWordWrap(true);
    portName_->setWordWrap(true);
    endActivity();
}

void ConnectWindow::showPortName(int number) {
    QString text = tr("No serial port has this number on this computer.");
    if (number == 0) {
        text = tr("No port");
    }
    if (const auto entry = findPort(context_.catalogue, number)) {
        text = QString::fromStdString(entry->name);
        if (!entry->description.empty()) {
            text += QStringLiteral(" \u2014 ") + QString::fromStdString(entry->description);
        }
    }
    portName_->setText(text);
}

void ConnectWindow::setButtonsEnabled(bool enabled) {
    okButton_->setEnabled(enabled);
    searchButton_->setEnabled(enabled);
}

void ConnectWindow::showActivity(const QString& text) {
    operationRunning_ = true;
    setCursor(Qt::BusyCursor);
    setButtonsEnabled(false);
    activity_->setText(text);
    activity_->show();
    progress_->show();
}

void ConnectWindow::endActivity() {
    operationRunning_ = false;
    readingParameters_ = false;
    unsetCursor();
    activity_->hide();
    progress_->hide();
    progress_->reset();
    adjustSize();
}

void ConnectWindow::showSearchProgress(const SearchProgress& progress) {
    progress_->setRange(0, progress.total);
    progress_->setValue(progress.checked);
    if (progress.trying == 0) {
        return;
    }
    QString port = QStringLiteral("Comm %1").arg(progress.trying);
    if (const auto entry = findPort(context_.catalogue, progress.trying)) {
        port += QStringLiteral(" (%1)").arg(QString::fromStdString(entry->name));
    }
    activity_->setText(tr("Searching Comm 1-16: trying %1\u2026").arg(port));
}

// The system's ports are read again before a search or a connect: an adapter plugged in again
// may come back under another name while the window is open.
void ConnectWindow::readPortsAgain() {
    context_.catalogue.refresh();
    showPortName(portEdit_->value());
}

void ConnectWindow::searchPorts() {
    readPortsAgain();
    showActivity(tr("Searching Comm 1-16\u2026"));
    progress_->setRange(0, kLastSearchPort - kFirstSearchPort + 1);
    auto onProgress = platform::ui::DeviceThread::toWindow<SearchProgress>(
        this, [this](SearchProgress p) { showSearchProgress(p); });
    PortCatalogue& catalogue = context_.catalogue;
    const ThreadStarter threads = context_.threads;
    const bool started = context_.device.start<std::optional<std::int16_t>>(
        this, {"Auto Detect", "cmdAutoDetect_Click"},
        [&catalogue, threads, onProgress](const JobScope& job) {
            // The search opens ports of its own, several at once; it takes only the stop.
            return autoDetect(
                catalogue, threads, [&](const SearchProgress& p) { onProgress(p); },
                job.link().stopToken());
        },
        [this](std::optional<std::int16_t> found) {
            restoreControls();  // before the message; the closing call covers the error path
            if (cancelled_) {
                return;
            }
            if (!found) {
                context_.messages.show("Tiltavarometer not found on Comm 1-16!");
                return;
            }
            portEdit_->setValue(*found);
            context_.messages.show("Tiltavarometer found on Comm " + std::to_string(*found) + "!");
        },
        [this] { restoreControls(); });
    if (!started) {
        restoreControls();
    }
}

void ConnectWindow::connectToChosenPort() {
    setButtonsEnabled(false);
    readPortsAgain();
    try {
        context_.state.commPort = toInt16(portEdit_->value());
        // Kept before any check: even "no port" is remembered for the next start.
        context_.settings.saveCurrentCommPort(std::to_string(context_.state.commPort));
    } catch (const Error& e) {
        context_.errors.report(e, "cmdOK_Click", common::ui::activeWindowName(this));
        restoreControls();
        return;
    }
    if (context_.state.commPort == 0) {
        context_.messages.show("No Comm port has been selected!");
        close();
        return;
    }
    readOnBoardParameters();
}

void ConnectWindow::readOnBoardParameters() {
    const std::int16_t port = context_.state.commPort;
    showActivity(tr("Reading the tares and the update time increment on Comm %1\u2026").arg(port));
    readingParameters_ = true;
    progress_->setRange(0, 0);  // busy, no steps to show
    const bool started = context_.device.start<std::optional<OnBoardParameters>>(
        this, {.title = "Connect", .source = "cmdOK_Click", .commPort = port, .screen = kScreen},
        [](const JobScope& job) { return link::readOnBoardParameters(job); },
        [this](std::optional<OnBoardParameters> parameters) {
            endActivity();
            if (cancelled_) {
                return;  // closed while reading: nothing was decided
            }
            if (parameters) {
                context_.state.configuration.tareX = parameters->tareX;
                context_.state.configuration.tareY = parameters->tareY;
                context_.state.configuration.updateTimeIncrement = parameters->updateTimeIncrement;
            } else {
                context_.messages.show(std::string(kOnBoardFailureMessage));
            }
            onParametersRead_(parameters.has_value());
            close();
        },
        [this] { restoreControls(); });
    if (!started) {
        restoreControls();
    }
}

void ConnectWindow::restoreControls() {
    endActivity();
    setButtonsEnabled(true);
}

void ConnectWindow::cancelRunningOperation() {
    if (!operationRunning_) {
        return;
    }
    cancelled_ = true;
    context_.device.stop();
    if (readingParameters_) {
        // The new port is chosen and saved, but nothing says a device answers on it.
        onParametersRead_(false);
    }
}

void ConnectWindow::reject() {
    cancelRunningOperation();
    QDialog::reject();
}

}  // namespace tilt::link::ui
