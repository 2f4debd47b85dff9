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
#include "common/ui/library_problem.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/protocol.h"
#include "logging/download_report.h"
#include "logging/library_record.h"
#include "logging/ui/erase_consent.h"
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

// An erase after its check: nothing when the user said No (or the port failed, which has been
// reported); what the library could not record.
struct CheckedErase {
    std::optional<EraseEnd> end;
    std::optional<std::string> libraryProblem;
};

}  // namespace

// The download's questions and progress, carried from the device thread to this window: the
// questions wait for their answer, progress does not.
class DownloadWindow::DownloadDialogs final : public DownloadFrontEnd {
  public:
    explicit DownloadDialogs(DownloadWindow* window)
        : window_(window),
          stepsDone_(platform::ui::DeviceThread::toWindow<int>(
              window, [window](int done) { window->downloadBar_->setValue(done); })),
          modeRead_(platform::ui::DeviceThread::toWindow<RecordingMode, LinearChannel>(
              window, [window](RecordingMode mode,
                               LinearChannel channel) { window->showMode(mode, channel); })),
          transferStarting_(platform::ui::DeviceThread::toWindow<std::int32_t>(
              window, [window](std::int32_t first) { window->transferStarting(first); })),
          progress_(platform::ui::DeviceThread::toWindow<TransferProgress>(
              window, [window](const TransferProgress& p) { window->showTransferProgress(p); })) {}

    void parameterStepsDone(int steps) override { stepsDone_(steps); }
    void modeRead(RecordingMode mode, LinearChannel channel) override { modeRead_(mode, channel); }

    void headerRead(const DataFileHeader& header) override {
        // Waits, so that the shared state holds the header values before the file is chosen.
        (void)window_->context_.device.ask(
            window_,
            [&] {
                window_->headerRead(header);
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
    DownloadWindow* window_;
    std::function<void(int)> stepsDone_;
    std::function<void(RecordingMode, LinearChannel)> modeRead_;
    std::function<void(std::int32_t)> transferStarting_;
    std::function<void(TransferProgress)> progress_;
};

DownloadWindow::DownloadWindow(common::ui::AppContext& context, DownloadWindowLinks links,
                               QWidget* parent)
    : QMainWindow(parent), context_(context), links_(std::move(links)) {
    setWindowTitle(QStringLiteral("Download"));
    setWindowFlag(Qt::Window);
    buildMenus();
    buildControls();
}

void DownloadWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->menuAction()->setObjectName(QStringLiteral("mnuData"));
    auto add = [&](const char* name, const QString& caption, auto handler) {
        QAction* action = file->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    downloadAction_ =
        add("mnuDownload", QStringLiteral("&Download"), &DownloadWindow::toggleDownload);
    downloadAction_->setCheckable(true);
    eraseAction_ = add("mnuErase", QStringLiteral("&Erase"), &DownloadWindow::toggleErase);
    eraseAction_->setCheckable(true);
    file->addSeparator();
    add("mnuGraph", QStringLiteral("&Graph"), [this] { links_.showGraph(); });
    add("mnuGBP", QStringLiteral("Graph &Button Pushes"), [this] { links_.showButtonPushGraph(); });
    file->addSeparator();
    add("mnuReturn", QStringLiteral("&Return"), &DownloadWindow::close);
    // A checkable entry toggles itself when chosen; the window sets the check from its state.
    for (QAction* a : {downloadAction_, eraseAction_}) {
        connect(a, &QAction::triggered, this,
                [a, this] { a->setChecked(a == downloadAction_ ? transferring_ : erasing_); });
        context_.device.guardEntry(a);
    }
}

void DownloadWindow::buildControls() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    modeBox_ = readOnlyBox(central, "txtMode");
    channelsBox_ = readOnlyBox(central, "txtChannels");
    auto* modeLine = new QHBoxLayout;
    addLabelled(modeLine, QStringLiteral("Mode"), modeBox_);
    modeLine->addSpacing(16);
    addLabelled(modeLine, QStringLiteral("Channels"), channelsBox_);
    modeLine->addStretch();
    layout->addLayout(modeLine);

    downloadFrame_ = new QGroupBox(QString::fromLatin1(kIdleCaption), central);
    downloadFrame_->setObjectName(QStringLiteral("fraPBar"));
    auto* download = new QVBoxLayout(downloadFrame_);
    downloadBar_ = new QProgressBar(downloadFrame_);
    downloadBar_->setObjectName(QStringLiteral("PBar"));
    downloadBar_->setAccessibleName(QStringLiteral("Download progress"));
    downloadBar_->setTextVisible(false);  // shown while it counts something
    downloadBar_->setValue(0);
    download->addWidget(downloadBar_);
    auto* counters = new QHBoxLayout;
    timerAdvanceBox_ = readOnlyBox(downloadFrame_, "txtTimer");
    bufferLengthBox_ = readOnlyBox(downloadFrame_, "txtBufferLen");
    addLabelled(counters, QStringLiteral("Timer Advance"), timerAdvanceBox_);
    counters->addSpacing(16);
    addLabelled(counters, QStringLiteral("Buffer Len"), bufferLengthBox_);
    counters->addSpacing(16);
    speedNote_ = new QLabel(downloadFrame_);
    speedNote_->setObjectName(QStringLiteral("lblSpeed"));
    counters->addWidget(speedNote_, 1);
    download->addLayout(counters);
    commFailureNote_ =
        new QLabel(QStringLiteral("Comm failure: attempting re-sample"), downloadFrame_);
    commFailureNote_->setObjectName(QStringLiteral("lblWarning"));
    commFailureNote_->setStyleSheet(QStringLiteral("color: #b02020; font-weight: bold;"));
    commFailureNote_->hide();
    download->addWidget(commFailureNote_);
    unfinishedNote_ = new QLabel(downloadFrame_);
    unfinishedNote_->setObjectName(QStringLiteral("lblUnfinished"));
    unfinishedNote_->setWordWrap(true);
    unfinishedNote_->setStyleSheet(QStringLiteral("color: #8a5a00; font-weight: bold;"));
    unfinishedNote_->hide();
    download->addWidget(unfinishedNote_);
    layout->addWidget(downloadFrame_);

    eraseFrame_ = new QGroupBox(QString::fromLatin1(kEraseIdleCaption), central);
    eraseFrame_->setObjectName(QStringLiteral("fraErase"));
    auto* erase = new QVBoxLayout(eraseFrame_);
    eraseBar_ = new QProgressBar(eraseFrame_);
    eraseBar_->setObjectName(QStringLiteral("PBarErase"));
    eraseBar_->setAccessibleName(QStringLiteral("Erase progress"));
    eraseBar_->setRange(0, static_cast<int>(link::kEraseProgressBytes));
    eraseBar_->setFormat(QStringLiteral("%v of %m progress bytes"));
    eraseBar_->setTextVisible(false);
    eraseBar_->setValue(0);
    erase->addWidget(eraseBar_);
    auto* waiting = new QHBoxLayout;
    progressBytesBox_ = readOnlyBox(eraseFrame_, "txtInBufferSize");
    addLabelled(waiting, QStringLiteral("InBufferCount"), progressBytesBox_);
    waiting->addStretch();
    erase->addLayout(waiting);
    eraseStalledNote_ = new QLabel(eraseFrame_);
    eraseStalledNote_->setObjectName(QStringLiteral("lblEraseStalled"));
    eraseStalledNote_->setStyleSheet(commFailureNote_->styleSheet());
    eraseStalledNote_->hide();
    erase->addWidget(eraseStalledNote_);
    layout->addWidget(eraseFrame_);
    setCentralWidget(central);
    resize(560, 320);
}

bool DownloadWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && links_.setNavigationEnabled) {
        links_.setNavigationEnabled(false);
    }
    return QMainWindow::event(event);
}

void DownloadWindow::showEvent(QShowEvent* event) {
    showUnfinishedDownload();
    QMainWindow::showEvent(event);
}

void DownloadWindow::closeEvent(QCloseEvent* event) {
    // Leaving the window ends what it runs: a download keeps the pages it has written.
    if (downloading_ || erasing_) {
        context_.device.stop();
    }
    if (links_.setNavigationEnabled) {
        links_.setNavigationEnabled(true);
    }
    context_.state.saveLiveReadings = false;
    QMainWindow::closeEvent(event);
}

// --- Download -----------------------------------------------------------------------------

void DownloadWindow::toggleDownload() {
    if (transferring_) {
        context_.device.stop();  // the download's end tidies up
        return;
    }
    if (!downloading_) {
        startDownload();
    }
}

void DownloadWindow::startDownload() {
    modeBox_->clear();
    channelsBox_->clear();
    downloadAction_->setEnabled(false);
    downloadFrame_->setTitle(QStringLiteral("Retrieving on-board parameters"));
    downloadBar_->setRange(0, kParameterSteps);
    downloadBar_->setFormat(QStringLiteral("step %v of %m"));
    downloadBar_->setTextVisible(true);
    downloadBar_->setValue(0);
    setCursor(Qt::BusyCursor);
    downloading_ = true;
    unfinishedNote_->hide();

    const AppState& state = context_.state;
    DownloadRequest request;
    request.pageCount = state.pageCount;
    request.appVersion = state.appVersion;
    request.decimalSeparator = platform::decimalSeparator();
    request.lastReceive = state.lastReceive;
    request.library = &context_.library;
    request.program = "tiltavarometer";
    auto dialogs = std::make_shared<DownloadDialogs>(this);
    const bool started = context_.device.start<DownloadResult>(
        this,
        {.title = "Download",
         .source = "mnuDownload_Click",
         .entry = downloadAction_,
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

void DownloadWindow::showMode(RecordingMode mode, LinearChannel channel) {
    // A mode the logger should not hold shows nothing; a channel shows as the byte it is.
    if (mode == RecordingMode::Bin) {
        modeBox_->setText(QStringLiteral("Bin"));
        channelsBox_->clear();
    } else if (mode == RecordingMode::Linear) {
        modeBox_->setText(QStringLiteral("Linear"));
        channelsBox_->setText(QString::number(cellValue(channel)));
    }
}

void DownloadWindow::headerRead(const DataFileHeader& header) {
    // The mode and channel are the logger's configuration cells, read afresh.
    context_.state.configuration.mode = header.mode;
    context_.state.configuration.channel = header.channel;
    context_.state.downloadedHeader = header;
}

std::optional<std::string> DownloadWindow::chooseFile() {
    // The window asks about an existing file itself, once (see existingFile).
    const auto file = chooseDataFile(context_.fileDialogs, context_.paths.dataFiles(),
                                     /*confirmOverwrite=*/false);
    context_.state.saveLiveReadings = file.has_value();
    if (file) {
        context_.state.dataFile = *file;
    }
    return file;
}

ExistingFile DownloadWindow::existingFile(const ExistingDataFile& existing,
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

void DownloadWindow::transferStarting(std::int32_t firstPage) {
    AppState& state = context_.state;
    transferring_ = true;
    downloadAction_->setEnabled(true);
    downloadAction_->setChecked(true);
    eraseAction_->setEnabled(false);
    downloadBar_->setRange(0, state.pageCount);
    downloadBar_->setFormat(QStringLiteral("page %v of %m"));
    downloadBar_->setTextVisible(true);
    downloadFrame_->setTitle(QStringLiteral("Downloading page 0"));
    downloadBar_->setValue(firstPage);
    rate_ = TransferRate();
}

void DownloadWindow::showTransferProgress(const TransferProgress& p) {
    if (p.lastCount > 0) {
        bufferLengthBox_->setText(QString::number(p.lastCount));
    }
    if (p.timerAdvance > 0) {
        timerAdvanceBox_->setText(QString::fromStdString(numberText(p.timerAdvance)));
    }
    commFailureNote_->setVisible(p.warning);
    if (p.pageArrived) {
        rate_.pageArrived(p.page, TransferRate::Clock::now());
        speedNote_->setText(QString::fromStdString(rate_.describe(context_.state.pageCount - 1)));
    }
    downloadFrame_->setTitle(QStringLiteral("Downloading page %1").arg(p.page));
    downloadBar_->setValue(std::min(p.page, static_cast<std::int32_t>(downloadBar_->maximum())));
}

void DownloadWindow::downloadEnded(const DownloadResult& result) {
    AppState& state = context_.state;
    const bool transferred = transferring_;
    downloading_ = transferring_ = false;
    if (transferred) {
        state.lastReceive = result.transfer.lastReceive;
    }
    resetDownloadControls();
    keepUnfinishedDownload(result);
    showUnfinishedDownload();
    // After the download's own message: what the library could not record.
    const auto tellLibrary = [&] {
        common::ui::tellLibraryProblem(context_, result.libraryProblem.empty()
                                                     ? std::nullopt
                                                     : std::optional(result.libraryProblem));
    };
    switch (result.end) {
        case DownloadEnd::Completed:
            finishDownload(tellLibrary);
            return;
        case DownloadEnd::AlreadyComplete:
            context_.messages.show(std::string(kAlreadyCompleteMessage));
            tellLibrary();
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
    tellLibrary();
    state.dataFile.clear();
}

// One message, after the error handler's report of the fault where there was one: what
// happened, what the file keeps, and how to go on.
void DownloadWindow::tellEarlyEnd(const DownloadResult& result) {
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
void DownloadWindow::keepUnfinishedDownload(const DownloadResult& result) {
    AppState& state = context_.state;
    const bool whole =
        result.end == DownloadEnd::Completed || result.end == DownloadEnd::AlreadyComplete;
    if (whole && state.unfinishedDownload &&
        state.unfinishedDownload->serialNumber == result.header.serialNumber) {
        state.unfinishedDownload.reset();
    } else if (leftPagesBehind(result)) {
        state.unfinishedDownload =
            UnfinishedDownload{result.header.serialNumber, result.file, result.pagesInFile};
    }
}

void DownloadWindow::showUnfinishedDownload() {
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

void DownloadWindow::finishDownload(const std::function<void()>& tellLibrary) {
    AppState& state = context_.state;
    context_.messages.show("Download completed!");
    tellLibrary();
    const auto answer = context_.messages.ask("Would you like to graph this download immediately?",
                                              Messages::Buttons::YesNo);
    if (answer == Messages::Answer::Yes) {
        const QString file = QString::fromStdString(state.dataFile);
        state.dataFile.clear();
        // The graph opens on the new file at once, without asking for it.
        links_.graphFile(file);
    }
}

void DownloadWindow::resetDownloadControls() {
    unsetCursor();
    downloadFrame_->setTitle(QString::fromLatin1(kIdleCaption));
    downloadBar_->setValue(0);
    downloadBar_->setTextVisible(false);
    downloadAction_->setChecked(false);
    downloadAction_->setEnabled(!erasing_);
    eraseAction_->setEnabled(true);
    bufferLengthBox_->clear();
    timerAdvanceBox_->clear();
    speedNote_->clear();
    commFailureNote_->hide();
}

// --- Erase --------------------------------------------------------------------------------

void DownloadWindow::toggleErase() {
    if (erasing_) {
        context_.device.stop();  // the erase's end tells the user
        return;
    }
    if (context_.device.refuseWhileBusy("Erase")) {
        return;
    }
    erasing_ = true;
    setCursor(Qt::BusyCursor);
    eraseAction_->setChecked(true);
    downloadAction_->setEnabled(false);
    eraseFrame_->setTitle(QStringLiteral("Checking the logger's recording"));
    auto erasing = platform::ui::DeviceThread::toWindow<>(this, [this] {
        eraseFrame_->setTitle(QStringLiteral("Erasing"));
        eraseBar_->setValue(0);
        eraseBar_->setTextVisible(true);
    });
    auto onProgress = platform::ui::DeviceThread::toWindow<EraseProgress>(
        this, [this](const EraseProgress& p) { showEraseProgress(p); });
    common::ui::AppContext& context = context_;
    const bool started = context_.device.start<CheckedErase>(
        this,
        {.title = "Erase",
         .source = "mnuErase_Click",
         .entry = eraseAction_,
         .commPort = context_.state.commPort,
         .screen = kWindow},
        [this, &context, erasing, onProgress](const link::JobScope& job) {
            CheckedErase outcome;
            const EraseCheck check = checkBeforeErasing(job, context.library);
            if (check.portFailed || job.link().stopRequested() ||
                !askToErase(context, this, check, kEraseWarning)) {
                return outcome;
            }
            erasing();
            outcome.end = eraseMemory(job, {}, [&](const EraseProgress& p) { onProgress(p); });
            outcome.libraryProblem =
                recordErase(context.library,
                            check.recording ? std::optional(check.recording->serial) : std::nullopt,
                            *outcome.end, std::chrono::system_clock::now());
            return outcome;
        },
        [this](const CheckedErase& outcome) {
            if (outcome.end) {
                eraseEnded(*outcome.end);
            } else {
                resetEraseControls();
            }
            common::ui::tellLibraryProblem(context_, outcome.libraryProblem);
        },
        [this] {
            if (erasing_) {
                resetEraseControls();
            }
        });
    if (!started) {
        resetEraseControls();
    }
}

void DownloadWindow::showEraseProgress(const EraseProgress& p) {
    progressBytesBox_->setText(QString::number(p.waiting));
    eraseBar_->setValue(static_cast<int>(std::min(p.waiting, link::kEraseProgressBytes)));
    const auto silent = std::chrono::duration_cast<std::chrono::seconds>(p.sinceLastByte);
    eraseStalledNote_->setVisible(p.sinceLastByte >= kEraseStallShown);
    eraseStalledNote_->setText(QStringLiteral("No progress from the logger for %1 s. Check the "
                                              "cable, or click Erase to stop.")
                                   .arg(silent.count()));
}

void DownloadWindow::eraseEnded(EraseEnd end) {
    unsetCursor();
    showUnfinishedDownload();  // Yes to the erase's question forgot it
    context_.messages.show(std::string(eraseEndMessage(end)));
    resetEraseControls();
}

void DownloadWindow::resetEraseControls() {
    erasing_ = false;
    unsetCursor();
    eraseFrame_->setTitle(QString::fromLatin1(kEraseIdleCaption));
    eraseBar_->setValue(0);
    eraseBar_->setTextVisible(false);
    eraseAction_->setChecked(false);
    progressBytesBox_->clear();
    eraseStalledNote_->hide();
    downloadAction_->setEnabled(!transferring_);
}

}  // namespace tilt::logging::ui
