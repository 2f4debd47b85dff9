#include "logging/ui/download_window.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QVBoxLayout>

#include "common/messages.h"
#include "common/number_text.h"
#include "common/ui/app_context.h"
#include "common/ui/field_caption.h"
#include "frame/window_registry.h"
#include "link/device_link.h"
#include "link/protocol.h"
#include "logging/download_report.h"
#include "platform/number_settings.h"
#include "platform/ui/device_thread.h"

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

// A caption and its box side by side.
void addLabelled(QHBoxLayout* line, const QString& caption, QLineEdit* box) {
    line->addWidget(common::ui::fieldCaption(caption, box));
    line->addWidget(box);
}

// An erase that has brought no progress byte for this long says so: the user decides whether to
// wait on or stop it.
constexpr link::Nanos kEraseStallShown = link::ms(2000);

}  // namespace

// The download's questions and progress, carried from the device thread to this window: the
// questions wait for their answer, progress does not.
class DownloadErase::DownloadDialogs final : public DownloadFrontEnd {
  public:
    explicit DownloadDialogs(DownloadErase* window)
        : window_(window),
          stepsDone_(platform::ui::DeviceThread::toWindow<int>(
              window, [window](int done) { window->PBar_->setValue(done); })),
          modeRead_(platform::ui::DeviceThread::toWindow<double, double>(
              window, [window](double mode, double channel) { window->showMode(mode, channel); })),
          transferStarting_(platform::ui::DeviceThread::toWindow<std::int32_t>(
              window, [window](std::int32_t first) { window->transferStarting(first); })),
          progress_(platform::ui::DeviceThread::toWindow<TransferProgress>(
              window, [window](const TransferProgress& p) { window->showTransferProgress(p); })) {}

    void parameterStepsDone(int steps) override { stepsDone_(steps); }
    void modeRead(double mode, double channel) override { modeRead_(mode, channel); }

    void parametersRead(const DownloadParameters& parameters) override {
        // Waits, so that the shared state holds the header values before the file is chosen.
        (void)window_->context_.device.ask(
            window_,
            [&] {
                window_->parametersRead(parameters);
                return true;
            },
            false);
    }

    std::optional<std::string> chooseFile() override {
        return window_->context_.device.ask(
            window_, [&] { return window_->chooseFile(); }, std::optional<std::string>());
    }

    ExistingFile existingFile(const ExistingDataFile& existing) override {
        // Whether the file is whole is asked of the logger here, before the question.
        std::optional<bool> endsThere;
        if (existing.partial && existing.partial->lastPage > 0 && existing.recordingEndsThere) {
            endsThere = existing.recordingEndsThere();
        }
        return window_->context_.device.ask(
            window_, [&] { return window_->existingFile(existing, endsThere); },
            ExistingFile::Refuse);
    }

    void transferStarting(std::int32_t firstPage) override { transferStarting_(firstPage); }
    void transferProgress(const TransferProgress& progress) override { progress_(progress); }

  private:
    DownloadErase* window_;
    std::function<void(int)> stepsDone_;
    std::function<void(double, double)> modeRead_;
    std::function<void(std::int32_t)> transferStarting_;
    std::function<void(TransferProgress)> progress_;
};

DownloadErase::DownloadErase(common::ui::AppContext& context, frame::WindowRegistry& windows,
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
        context_.device.guardEntry(a);
    }
}

void DownloadErase::buildControls() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    txtMode_ = readOnlyBox(central, "txtMode");
    txtChannels_ = readOnlyBox(central, "txtChannels");
    auto* modeLine = new QHBoxLayout;
    addLabelled(modeLine, QStringLiteral("Mode"), txtMode_);
    modeLine->addSpacing(16);
    addLabelled(modeLine, QStringLiteral("Channels"), txtChannels_);
    modeLine->addStretch();
    layout->addLayout(modeLine);

    fraPBar_ = new QGroupBox(QString::fromLatin1(kIdleCaption), central);
    fraPBar_->setObjectName(QStringLiteral("fraPBar"));
    auto* download = new QVBoxLayout(fraPBar_);
    PBar_ = new QProgressBar(fraPBar_);
    PBar_->setObjectName(QStringLiteral("PBar"));
    PBar_->setAccessibleName(QStringLiteral("Download progress"));
    PBar_->setTextVisible(false);  // shown while it counts something
    PBar_->setValue(0);
    download->addWidget(PBar_);
    auto* counters = new QHBoxLayout;
    txtTimer_ = readOnlyBox(fraPBar_, "txtTimer");
    txtBufferLen_ = readOnlyBox(fraPBar_, "txtBufferLen");
    addLabelled(counters, QStringLiteral("Timer Advance"), txtTimer_);
    counters->addSpacing(16);
    addLabelled(counters, QStringLiteral("Buffer Len"), txtBufferLen_);
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
    unfinishedNote_ = new QLabel(fraPBar_);
    unfinishedNote_->setObjectName(QStringLiteral("lblUnfinished"));
    unfinishedNote_->setWordWrap(true);
    unfinishedNote_->setStyleSheet(QStringLiteral("color: #8a5a00; font-weight: bold;"));
    unfinishedNote_->hide();
    download->addWidget(unfinishedNote_);
    layout->addWidget(fraPBar_);

    fraErase_ = new QGroupBox(QString::fromLatin1(kEraseIdleCaption), central);
    fraErase_->setObjectName(QStringLiteral("fraErase"));
    auto* erase = new QVBoxLayout(fraErase_);
    PBarErase_ = new QProgressBar(fraErase_);
    PBarErase_->setObjectName(QStringLiteral("PBarErase"));
    PBarErase_->setAccessibleName(QStringLiteral("Erase progress"));
    PBarErase_->setRange(0, static_cast<int>(link::kEraseProgressBytes));
    PBarErase_->setFormat(QStringLiteral("%v of %m progress bytes"));
    PBarErase_->setTextVisible(false);
    PBarErase_->setValue(0);
    erase->addWidget(PBarErase_);
    auto* waiting = new QHBoxLayout;
    txtInBufferSize_ = readOnlyBox(fraErase_, "txtInBufferSize");
    addLabelled(waiting, QStringLiteral("InBufferCount"), txtInBufferSize_);
    waiting->addStretch();
    erase->addLayout(waiting);
    lblEraseStalled_ = new QLabel(fraErase_);
    lblEraseStalled_->setObjectName(QStringLiteral("lblEraseStalled"));
    lblEraseStalled_->setStyleSheet(lblWarning_->styleSheet());
    lblEraseStalled_->hide();
    erase->addWidget(lblEraseStalled_);
    layout->addWidget(fraErase_);
    setCentralWidget(central);
    resize(560, 320);
}

bool DownloadErase::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && setNavigationEnabled_) {
        setNavigationEnabled_(false);
    }
    return QMainWindow::event(event);
}

void DownloadErase::showEvent(QShowEvent* event) {
    showUnfinishedDownload();
    QMainWindow::showEvent(event);
}

void DownloadErase::mnuReturn_Click() {
    close();
}

void DownloadErase::closeEvent(QCloseEvent* event) {
    // Leaving the window ends what it runs: a download keeps the pages it has written.
    if (downloading_ || erasing_) {
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
        context_.device.stop();  // the download's end tidies up
        return;
    }
    if (!downloading_) {
        startDownload();
    }
}

void DownloadErase::startDownload() {
    txtMode_->clear();
    txtChannels_->clear();
    mnuDownload_->setEnabled(false);
    fraPBar_->setTitle(QStringLiteral("Retrieving on-board parameters"));
    PBar_->setRange(0, kParameterSteps);
    PBar_->setFormat(QStringLiteral("step %v of %m"));
    PBar_->setTextVisible(true);
    PBar_->setValue(0);
    setCursor(Qt::BusyCursor);
    downloading_ = true;
    unfinishedNote_->hide();

    const AppState& state = context_.state;
    DownloadRequest request;
    request.pageCount = state.PageCount;
    request.appVersion = state.AppVersion;
    request.decimalSeparator = platform::decimalSeparator();
    request.lastReceive = state.LastReceiveTime;
    auto dialogs = std::make_shared<DownloadDialogs>(this);
    const bool started = context_.device.start<DownloadResult>(
        this,
        {.title = "Download",
         .source = "mnuDownload_Click",
         .entry = mnuDownload_,
         .commPort = state.commPort,
         .screen = kWindow},
        [request, dialogs](const link::JobScope& job) {
            return runDownload(job, request, *dialogs);
        },
        [this](const DownloadResult& result) { downloadEnded(result); },
        [this] {
            if (downloading_) {  // the download failed on its way
                downloading_ = transferring_ = false;
                resetDownloadControls();
                showUnfinishedDownload();
            }
        });
    if (!started) {
        downloading_ = false;
        resetDownloadControls();
        showUnfinishedDownload();
    }
}

void DownloadErase::showMode(double mode, double channel) {
    if (mode == 0) {
        txtMode_->setText(QStringLiteral("Bin"));
        txtChannels_->clear();
    } else if (mode == 1) {
        txtMode_->setText(QStringLiteral("Linear"));
        txtChannels_->setText(QString::fromStdString(numberText(channel)));
    }
}

void DownloadErase::parametersRead(const DownloadParameters& p) {
    AppState& state = context_.state;
    state.configuration.mode = static_cast<RecordingMode>(p.BinLinearMode);
    state.configuration.channel = static_cast<LinearChannel>(p.LinearChannel);
    state.FirmwareVersion = p.FirmwareVersion;
    state.SamplingFrequency = p.SamplingFrequency;
    state.SerialNumber = p.SerialNumber;
    state.LaunchTime = p.LaunchTime;
    state.ChannelGains = p.ChannelGains;
    state.ChannelOffsets = p.ChannelOffsets;
    state.Tares = p.Tares;
}

std::optional<std::string> DownloadErase::chooseFile() {
    // The window asks about an existing file itself, once (see existingFile).
    const auto file = chooseDataFile(context_.fileDialogs, context_.paths.dataFiles(),
                                     /*confirmOverwrite=*/false);
    context_.state.SaveLiveReadings = file.has_value();
    if (file) {
        context_.state.DataFileName = *file;
    }
    return file;
}

ExistingFile DownloadErase::existingFile(const ExistingDataFile& existing,
                                         std::optional<bool> recordingEndsThere) {
    Messages& messages = context_.messages;
    if (!existing.partial) {
        const auto answer = messages.ask(
            existing.file +
                " already exists, and holds no download of this logger's recording.\r\n"
                "Click YES to replace it with this download.\r\n"
                "Click NO to cancel this operation.",
            Messages::Buttons::YesNoDefaultNo);
        return answer == Messages::Answer::Yes ? ExistingFile::Restart : ExistingFile::Refuse;
    }
    const std::int32_t last = existing.partial->lastPage;
    if (last < 1) {
        return ExistingFile::Restart;  // the header of this very recording, and no page yet
    }
    const std::string pages = "pages 1 to " + std::to_string(last);
    const std::string after = std::to_string(last);
    std::string text;
    std::vector<std::string> choices;
    if (recordingEndsThere == true) {
        text = existing.file + " holds this logger's whole recording already, " + pages +
               ".\r\nKeep It: keep the file as it is (and make its CSV file if a linear "
               "recording has none).\r\nDownload Again: replace it with a new download.";
        choices = {"Keep It", "Download Again", "Cancel"};
    } else {
        text = existing.file + " holds " + pages + " of this logger's recording" +
               (recordingEndsThere == false
                    ? ": the download was cut short at page " + std::to_string(last + 1) + "."
                    : ".") +
               "\r\nContinue: download the pages after " + after +
               " into it.\r\nStart Again: replace it with a new download from page 1.";
        choices = {"Continue", "Start Again", "Cancel"};
    }
    text += "\r\nCancel: leave the file as it is and download nothing.";
    constexpr std::size_t kContinue = 0, kStartAgain = 1, kCancel = 2;
    switch (messages.choose(text, choices, kContinue, kCancel)) {
        case kContinue:
            return ExistingFile::Continue;
        case kStartAgain:
            return ExistingFile::Restart;
        default:
            return ExistingFile::Refuse;
    }
}

void DownloadErase::transferStarting(std::int32_t firstPage) {
    AppState& state = context_.state;
    transferring_ = true;
    mnuDownload_->setEnabled(true);
    mnuDownload_->setChecked(true);
    mnuErase_->setEnabled(false);
    state.DownloadPage = 0;  // page 0 is asked for first, continued or not
    state.TimerAdvance = 0;
    state.EndOfData = false;
    PBar_->setRange(0, state.PageCount);
    PBar_->setFormat(QStringLiteral("page %v of %m"));
    PBar_->setTextVisible(true);
    fraPBar_->setTitle(QStringLiteral("Downloading page 0"));
    PBar_->setValue(firstPage);
    rate_ = TransferRate();
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

void DownloadErase::downloadEnded(const DownloadResult& result) {
    AppState& state = context_.state;
    const bool transferred = transferring_;
    downloading_ = transferring_ = false;
    if (transferred) {
        state.DownloadPage = result.transfer.DownloadPage;
        state.EndOfData = result.transfer.EndOfData;
        state.TimerAdvance = result.transfer.TimerAdvance;
        state.LastReceiveTime = result.transfer.lastReceive;
    }
    resetDownloadControls();
    keepUnfinishedDownload(result);
    showUnfinishedDownload();
    switch (result.end) {
        case DownloadEnd::Completed:
            finishDownload();
            return;
        case DownloadEnd::AlreadyComplete:
            context_.messages.show(std::string(kAlreadyCompleteMessage));
            return;
        case DownloadEnd::Cancelled:
        case DownloadEnd::Refused:
            context_.messages.show("Download operation cancelled!");
            break;
        case DownloadEnd::NoFileName:
            context_.messages.show("No data file has been selected!");
            break;
        case DownloadEnd::ParametersFailed:
        case DownloadEnd::PortFailed:
        case DownloadEnd::FileFailed:
        case DownloadEnd::DeviceSilent:
            tellEarlyEnd(result);
            break;
        case DownloadEnd::Stopped:
            break;  // stopped on purpose: the note under the progress bar says what is kept
    }
    state.DataFileName.clear();
}

// One message, after the error handler's report of the fault where there was one: what
// happened, what the file keeps, and how to go on.
void DownloadErase::tellEarlyEnd(const DownloadResult& result) {
    if (result.failedStep) {
        // A port that failed under a parameter query ends it as a failed step.
        context_.messages.show(std::string(parameterFailureMessage(*result.failedStep)));
        return;
    }
    if (!result.transferStarted) {
        context_.messages.show(downloadEndedEarlyText(result) +
                               "\r\nChoose Download again, "
                               "and a file in a folder you can write to.");
        return;
    }
    std::string next = result.end == DownloadEnd::FileFailed
                           ? "Make room on the disk (or put right what the error said), then "
                           : "Check the cable (choose Connect if the adapter came back as "
                             "another port), then ";
    next += kContinueDownloadHint;
    context_.messages.show(downloadEndedEarlyText(result) + "\r\n" +
                           keptPagesText(result.file, result.pagesInFile) + "\r\n" + next);
}

// Remembers a download that left pages of the recording on the logger only, so that an erase
// or a launch of that logger asks first; forgets it once that recording is whole in a file.
void DownloadErase::keepUnfinishedDownload(const DownloadResult& result) {
    AppState& state = context_.state;
    const bool whole =
        result.end == DownloadEnd::Completed || result.end == DownloadEnd::AlreadyComplete;
    if (whole && state.unfinishedDownload &&
        state.unfinishedDownload->serialNumber == result.parameters.SerialNumber) {
        state.unfinishedDownload.reset();
    } else if (leftPagesBehind(result)) {
        state.unfinishedDownload =
            UnfinishedDownload{result.parameters.SerialNumber, result.file, result.pagesInFile};
    }
}

void DownloadErase::showUnfinishedDownload() {
    const auto& unfinished = context_.state.unfinishedDownload;
    if (!unfinished || downloading_) {
        unfinishedNote_->hide();
        return;
    }
    unfinishedNote_->setText(
        QString::fromStdString("The last download did not finish: " +
                               keptPagesText(unfinished->file, unfinished->pagesInFile) +
                               " To keep the rest, " + std::string(kContinueDownloadHint)));
    unfinishedNote_->show();
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
    if (context_.device.refuseWhileBusy("Erase") ||
        !confirmErasing(context_.messages, context_.state, kEraseWarning)) {
        return;
    }
    erasing_ = true;
    setCursor(Qt::BusyCursor);
    mnuErase_->setChecked(true);
    mnuDownload_->setEnabled(false);
    fraErase_->setTitle(QStringLiteral("Erasing"));
    PBarErase_->setValue(0);
    PBarErase_->setTextVisible(true);
    auto onProgress = platform::ui::DeviceThread::toWindow<EraseProgress>(
        this, [this](const EraseProgress& p) { showEraseProgress(p); });
    const bool started = context_.device.start<EraseEnd>(
        this,
        {.title = "Erase",
         .source = "mnuErase_Click",
         .entry = mnuErase_,
         .commPort = context_.state.commPort,
         .screen = kWindow},
        [onProgress](const link::JobScope& job) {
            return eraseMemory(job, {}, [&](const EraseProgress& p) { onProgress(p); });
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

void DownloadErase::showEraseProgress(const EraseProgress& p) {
    txtInBufferSize_->setText(QString::number(p.waiting));
    PBarErase_->setValue(static_cast<int>(std::min(p.waiting, link::kEraseProgressBytes)));
    const auto silent = std::chrono::duration_cast<std::chrono::seconds>(p.sinceLastByte);
    lblEraseStalled_->setVisible(p.sinceLastByte >= kEraseStallShown);
    lblEraseStalled_->setText(QStringLiteral("No progress from the logger for %1 s. Check the "
                                             "cable, or click Erase to stop.")
                                  .arg(silent.count()));
}

void DownloadErase::eraseEnded(EraseEnd end) {
    unsetCursor();
    showUnfinishedDownload();  // Yes to the erase's question forgot it
    context_.messages.show(std::string(eraseEndMessage(end)));
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
    lblEraseStalled_->hide();
    mnuDownload_->setEnabled(!transferring_);
}

}  // namespace tilt::logging::ui
