#include "logging/ui/download_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QProgressBar>
#include <QVBoxLayout>

#include "link/device_link.h"
#include "link/protocol.h"
#include "logging/download_parameters.h"
#include "logging/download_session.h"
#include "logging/erase.h"
#include "shell/messages.h"
#include "shell/number_text.h"
#include "shell/ui/app_context.h"
#include "shell/ui/device_thread.h"
#include "shell/ui/window_registry.h"

namespace tilt::logging::ui {

namespace {

constexpr const char* kWindow = "DownloadErase";
constexpr const char* kIdleCaption = "Download Progress";
constexpr const char* kEraseIdleCaption = "Erase Progress";
constexpr int kParameterSteps = 4;

QLineEdit* readOnlyBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setFocusPolicy(Qt::NoFocus);
    box->setMaximumWidth(110);
    return box;
}

char decimalSeparator() {
    return QLocale().decimalPoint().at(0).toLatin1();
}

// A transfer's result with the time of its last reply, which outlives the transfer.
struct TransferOutcome {
    TransferResult result;
    std::optional<std::chrono::system_clock::time_point> lastReceive;
};

}  // namespace

DownloadErase::DownloadErase(shell::ui::AppContext& context, shell::ui::WindowRegistry& windows,
                             std::function<void(bool)> setNavigationEnabled, QWidget* parent)
    : QMainWindow(parent),
      context_(context),
      windows_(windows),
      setNavigationEnabled_(std::move(setNavigationEnabled)) {
    setWindowTitle(QStringLiteral("Download"));
    setWindowFlag(Qt::Window);
    buildMenus();
    buildControls();
}

void DownloadErase::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->menuAction()->setObjectName(QStringLiteral("mnuData"));
    auto add = [&](const char* name, const QString& caption, auto handler) {
        QAction* action = file->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    mnuDownload_ =
        add("mnuDownload", QStringLiteral("&Download"), &DownloadErase::mnuDownload_Click);
    mnuDownload_->setCheckable(true);
    mnuErase_ = add("mnuErase", QStringLiteral("&Erase"), &DownloadErase::mnuErase_Click);
    mnuErase_->setCheckable(true);
    file->addSeparator();
    add("mnuGraph", QStringLiteral("&Graph"), [this] { windows_.show(QStringLiteral("Graph")); });
    add("mnuGBP", QStringLiteral("Graph &Button Pushes"),
        [this] { windows_.show(QStringLiteral("GraphBP")); });
    file->addSeparator();
    add("mnuReturn", QStringLiteral("&Return"), &DownloadErase::mnuReturn_Click);
    // A checkable entry toggles itself when chosen; the window sets the check from its state.
    for (QAction* a : {mnuDownload_, mnuErase_}) {
        connect(a, &QAction::triggered, this,
                [a, this] { a->setChecked(a == mnuDownload_ ? transferring_ : erasing_); });
    }
}

void DownloadErase::buildControls() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    txtMode_ = readOnlyBox(central, "txtMode");
    txtChannels_ = readOnlyBox(central, "txtChannels");
    auto* modeLine = new QHBoxLayout;
    modeLine->addWidget(new QLabel(QStringLiteral("Mode"), central));
    modeLine->addWidget(txtMode_);
    modeLine->addSpacing(16);
    modeLine->addWidget(new QLabel(QStringLiteral("Channels"), central));
    modeLine->addWidget(txtChannels_);
    modeLine->addStretch();
    layout->addLayout(modeLine);

    fraPBar_ = new QGroupBox(QString::fromLatin1(kIdleCaption), central);
    fraPBar_->setObjectName(QStringLiteral("fraPBar"));
    auto* download = new QVBoxLayout(fraPBar_);
    PBar_ = new QProgressBar(fraPBar_);
    PBar_->setObjectName(QStringLiteral("PBar"));
    PBar_->setTextVisible(false);  // shown while it counts something
    PBar_->setValue(0);
    download->addWidget(PBar_);
    auto* counters = new QHBoxLayout;
    txtTimer_ = readOnlyBox(fraPBar_, "txtTimer");
    txtBufferLen_ = readOnlyBox(fraPBar_, "txtBufferLen");
    counters->addWidget(new QLabel(QStringLiteral("Timer Advance"), fraPBar_));
    counters->addWidget(txtTimer_);
    counters->addSpacing(16);
    counters->addWidget(new QLabel(QStringLiteral("Buffer Len"), fraPBar_));
    counters->addWidget(txtBufferLen_);
    counters->addSpacing(16);
    lblSpeed_ = new QLabel(fraPBar_);
    lblSpeed_->setObjectName(QStringLiteral("lblSpeed"));
    counters->addWidget(lblSpeed_, 1);
    download->addLayout(counters);
    lblWarning_ = new QLabel(QStringLiteral("Comm failure: attempting re-sample"), fraPBar_);
    lblWarning_->setObjectName(QStringLiteral("lblWarning"));
    lblWarning_->setStyleSheet(QStringLiteral("color: #b02020; font-weight: bold;"));
    lblWarning_->hide();
    download->addWidget(lblWarning_);
    layout->addWidget(fraPBar_);

    fraErase_ = new QGroupBox(QString::fromLatin1(kEraseIdleCaption), central);
    fraErase_->setObjectName(QStringLiteral("fraErase"));
    auto* erase = new QVBoxLayout(fraErase_);
    PBarErase_ = new QProgressBar(fraErase_);
    PBarErase_->setObjectName(QStringLiteral("PBarErase"));
    PBarErase_->setRange(0, static_cast<int>(link::kEraseProgressBytes));
    PBarErase_->setFormat(QStringLiteral("%v of %m progress bytes"));
    PBarErase_->setTextVisible(false);
    PBarErase_->setValue(0);
    erase->addWidget(PBarErase_);
    auto* waiting = new QHBoxLayout;
    txtInBufferSize_ = readOnlyBox(fraErase_, "txtInBufferSize");
    waiting->addWidget(new QLabel(QStringLiteral("InBufferCount"), fraErase_));
    waiting->addWidget(txtInBufferSize_);
    waiting->addStretch();
    erase->addLayout(waiting);
    layout->addWidget(fraErase_);
    setCentralWidget(central);
    resize(560, 290);
}

bool DownloadErase::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && setNavigationEnabled_) {
        setNavigationEnabled_(false);
    }
    return QMainWindow::event(event);
}

void DownloadErase::mnuReturn_Click() {
    close();
}

void DownloadErase::closeEvent(QCloseEvent* event) {
    // Leaving the window ends what it runs: a download keeps the pages it has written.
    if (retrieving_ || transferring_ || erasing_) {
        context_.device.stop();
    }
    if (setNavigationEnabled_) {
        setNavigationEnabled_(true);
    }
    context_.state.SaveLiveReadings = false;
    QMainWindow::closeEvent(event);
}

// --- Download -----------------------------------------------------------------------------

void DownloadErase::mnuDownload_Click() {
    if (transferring_) {
        context_.device.stop();  // the transfer's end tidies up
        return;
    }
    retrieveParameters();
}

void DownloadErase::retrieveParameters() {
    txtMode_->clear();
    txtChannels_->clear();
    mnuDownload_->setEnabled(false);
    fraPBar_->setTitle(QStringLiteral("Retrieving on-board parameters"));
    PBar_->setRange(0, kParameterSteps);
    PBar_->setFormat(QStringLiteral("step %v of %m"));
    PBar_->setTextVisible(true);
    PBar_->setValue(0);
    setCursor(Qt::BusyCursor);
    retrieving_ = true;
    auto stepDone =
        shell::ui::DeviceThread::toWindow<int>(this, [this](int done) { PBar_->setValue(done); });
    link::PortCatalogue& catalogue = context_.catalogue;
    ErrorReporter& errors = context_.errors;
    const std::int16_t port = context_.state.CommPort;
    const char separator = decimalSeparator();
    const bool started = context_.device.start<ParameterOutcome>(
        this, {"Download", "mnuDownload_Click"},
        [&catalogue, &errors, port, separator, stepDone](std::stop_token stop) {
            link::DeviceLink link(catalogue);
            link.setStopToken(std::move(stop));
            return GetDownloadParameters(link, port, errors, kWindow, separator,
                                         [&](int done) { stepDone(done); });
        },
        [this](const ParameterOutcome& outcome) { parametersRetrieved(outcome); },
        [this] {
            retrieving_ = false;
            if (!transferring_) {
                resetDownloadControls();
            }
        });
    if (!started) {
        retrieving_ = false;
        resetDownloadControls();
    }
}

void DownloadErase::showMode() {
    const double mode = context_.state.BinLinearMode;
    if (mode == 0) {
        txtMode_->setText(QStringLiteral("Bin"));
        txtChannels_->clear();
    } else if (mode == 1) {
        txtMode_->setText(QStringLiteral("Linear"));
        txtChannels_->setText(QString::fromStdString(numberText(context_.state.LinearChannel)));
    }
}

void DownloadErase::parametersRetrieved(const ParameterOutcome& outcome) {
    retrieving_ = false;
    if (outcome.failed) {
        resetDownloadControls();
        context_.messages.show(std::string(parameterFailureMessage(*outcome.failed)));
        return;
    }
    const DownloadParameters& p = outcome.parameters;
    AppState& state = context_.state;
    state.BinLinearMode = p.BinLinearMode;
    state.LinearChannel = p.LinearChannel;
    state.FirmwareVersion = p.FirmwareVersion;
    state.SamplingFrequency = p.SamplingFrequency;
    state.SerialNumber = p.SerialNumber;
    state.LaunchTime = p.LaunchTime;
    state.ChannelGains = p.ChannelGains;
    state.ChannelOffsets = p.ChannelOffsets;
    state.Tares = p.Tares;
    showMode();

    const DataFileHeader header = headerFrom(state);
    const auto file = chooseDataFile(context_.fileDialogs, context_.paths.dataFiles());
    if (!file) {
        state.SaveLiveReadings = false;
        resetDownloadControls();
        context_.messages.show("Download operation cancelled!");
        return;
    }
    state.SaveLiveReadings = true;
    state.DataFileName = *file;
    const std::optional<std::int32_t> resumeAt = askToResume(*file, header);
    if (!resumeAt) {
        writeDataFileHeader(*file, kDownloadPages, header);
    }
    startTransfer(*file, resumeAt.value_or(0));
}

std::optional<std::int32_t> DownloadErase::askToResume(const std::string& file,
                                                       const DataFileHeader& header) {
    const auto partial = partialDownloadOf(file, header);
    if (!partial || partial->lastPage < 1) {
        return std::nullopt;
    }
    const std::string last = std::to_string(partial->lastPage);
    const auto answer = context_.messages.ask(
        "This file holds pages 1 to " + last +
            " of this logger's recording, from a download that did not finish.\r\n"
            "Click YES to continue the download after page " +
            last +
            ".\r\n"
            "Click NO to start the file afresh.",
        Messages::Buttons::YesNo);
    if (answer != Messages::Answer::Yes) {
        return std::nullopt;
    }
    return prepareResume(file, *partial);
}

void DownloadErase::startTransfer(const std::string& file, std::int32_t firstPage) {
    AppState& state = context_.state;
    transferring_ = true;
    setCursor(Qt::BusyCursor);
    mnuDownload_->setEnabled(true);
    mnuDownload_->setChecked(true);
    mnuErase_->setEnabled(false);
    state.DownloadPage = firstPage;
    state.TimerAdvance = 0;
    state.EndOfData = false;
    PBar_->setRange(0, state.PageCount);
    PBar_->setFormat(QStringLiteral("page %v of %m"));
    PBar_->setTextVisible(true);
    fraPBar_->setTitle(QStringLiteral("Downloading page %1").arg(firstPage));
    PBar_->setValue(firstPage);
    rate_ = TransferRate();

    auto progress = shell::ui::DeviceThread::toWindow<TransferProgress>(
        this, [this](const TransferProgress& p) { showTransferProgress(p); });
    link::PortCatalogue& catalogue = context_.catalogue;
    ErrorReporter& errors = context_.errors;
    const std::int16_t port = state.CommPort;
    const std::int32_t pageCount = state.PageCount;
    const DataFileHeader header = headerFrom(state);
    const DownloadTarget target{file, firstPage};
    const auto lastReceive = state.LastReceiveTime;
    const bool started = context_.device.start<TransferOutcome>(
        this, {"Download", "MSComm1_OnComm"},
        [=, &catalogue, &errors](std::stop_token stop) {
            link::DeviceLink link(catalogue);
            link.setStopToken(std::move(stop));
            TransferOutcome outcome{{}, lastReceive};
            outcome.result = downloadIntoFile(link, port, errors, header, target, pageCount,
                                              progress, outcome.lastReceive);
            return outcome;
        },
        [this](const TransferOutcome& outcome) {
            context_.state.LastReceiveTime = outcome.lastReceive;
            transferEnded(outcome.result);
        },
        [this] {
            if (transferring_) {  // the transfer failed on its way
                transferring_ = false;
                resetDownloadControls();
            }
        });
    if (!started) {
        transferring_ = false;
        resetDownloadControls();
    }
}

void DownloadErase::showTransferProgress(const TransferProgress& p) {
    context_.state.DownloadPage = p.page;
    context_.state.TimerAdvance = p.timerAdvance;
    if (p.lastCount > 0) {
        txtBufferLen_->setText(QString::number(p.lastCount));
    }
    if (p.timerAdvance > 0) {
        txtTimer_->setText(QString::fromStdString(numberText(p.timerAdvance)));
    }
    lblWarning_->setVisible(p.warning);
    if (p.pageArrived) {
        rate_.pageArrived(p.page, TransferRate::Clock::now());
        lblSpeed_->setText(QString::fromStdString(rate_.describe(context_.state.PageCount - 1)));
    }
    fraPBar_->setTitle(QStringLiteral("Downloading page %1").arg(p.page));
    PBar_->setValue(std::min(p.page, static_cast<std::int32_t>(PBar_->maximum())));
}

void DownloadErase::transferEnded(const TransferResult& result) {
    AppState& state = context_.state;
    transferring_ = false;
    state.DownloadPage = result.DownloadPage;
    state.EndOfData = result.EndOfData;
    state.TimerAdvance = result.TimerAdvance;
    resetDownloadControls();
    if (result.end == TransferEnd::Completed) {
        finishDownload();
    } else {
        state.DataFileName.clear();
    }
}

void DownloadErase::finishDownload() {
    AppState& state = context_.state;
    context_.messages.show("Download completed!");
    const auto answer = context_.messages.ask("Would you like to graph this download immediately?",
                                              Messages::Buttons::YesNo);
    if (answer == Messages::Answer::Yes) {
        state.GraphAfterDownload = true;
        state.GraphFileName = state.DataFileName;
        state.DataFileName.clear();
        // The graph opens on the new file at once, without asking for it.
        if (QWidget* graph = windows_.show(QStringLiteral("Graph"))) {
            QMetaObject::invokeMethod(graph, "mnuOpen_Click");
        }
    } else {
        state.GraphAfterDownload = false;
    }
}

void DownloadErase::resetDownloadControls() {
    unsetCursor();
    fraPBar_->setTitle(QString::fromLatin1(kIdleCaption));
    PBar_->setValue(0);
    PBar_->setTextVisible(false);
    mnuDownload_->setChecked(false);
    mnuDownload_->setEnabled(!erasing_);
    mnuErase_->setEnabled(true);
    txtBufferLen_->clear();
    txtTimer_->clear();
    lblSpeed_->clear();
    lblWarning_->hide();
}

// --- Erase --------------------------------------------------------------------------------

void DownloadErase::mnuErase_Click() {
    if (erasing_) {
        context_.device.stop();  // the erase's end tells the user
        return;
    }
    const auto answer = context_.messages.ask(
        "All on-board data will be erased!\r\nClick YES to proceed.\r\nClick NO to cancel this "
        "operation.",
        Messages::Buttons::YesNo);
    if (answer != Messages::Answer::Yes) {
        return;
    }
    erasing_ = true;
    setCursor(Qt::BusyCursor);
    mnuErase_->setChecked(true);
    mnuDownload_->setEnabled(false);
    fraErase_->setTitle(QStringLiteral("Erasing"));
    PBarErase_->setValue(0);
    PBarErase_->setTextVisible(true);
    auto onCount = shell::ui::DeviceThread::toWindow<std::size_t>(this, [this](std::size_t n) {
        txtInBufferSize_->setText(QString::number(n));
        PBarErase_->setValue(static_cast<int>(std::min(n, link::kEraseProgressBytes)));
    });
    link::PortCatalogue& catalogue = context_.catalogue;
    ErrorReporter& errors = context_.errors;
    const std::int16_t port = context_.state.CommPort;
    const bool started = context_.device.start<EraseEnd>(
        this, {"Erase", "mnuErase_Click"},
        [&catalogue, &errors, port, onCount](std::stop_token stop) {
            link::DeviceLink link(catalogue);
            link.setStopToken(std::move(stop));
            return eraseMemory(link, port, errors, kWindow, [&](std::size_t n) { onCount(n); });
        },
        [this](EraseEnd end) { eraseEnded(end); },
        [this] {
            if (erasing_) {
                resetEraseControls();
            }
        });
    if (!started) {
        resetEraseControls();
    }
}

void DownloadErase::eraseEnded(EraseEnd end) {
    unsetCursor();
    if (end == EraseEnd::Completed) {
        context_.messages.show("Erase completed!");
    } else if (end == EraseEnd::Halted) {
        context_.messages.show("Erase halted by user! Erase may not be complete.");
    }
    resetEraseControls();
}

void DownloadErase::resetEraseControls() {
    erasing_ = false;
    unsetCursor();
    fraErase_->setTitle(QString::fromLatin1(kEraseIdleCaption));
    PBarErase_->setValue(0);
    PBarErase_->setTextVisible(false);
    mnuErase_->setChecked(false);
    txtInBufferSize_->clear();
    mnuDownload_->setEnabled(!transferring_);
}

}  // namespace tilt::logging::ui
