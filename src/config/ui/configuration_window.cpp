#include "config/ui/configuration_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/counting_errors.h"
#include "common/messages.h"
#include "common/ui/app_context.h"
#include "common/ui/field_notes.h"
#include "common/ui/library_problem.h"
#include "config/config_snapshot.h"
#include "config/parameter_map.h"
#include "config/transfer_report.h"
#include "config/ui/config_profile_files.h"
#include "config/ui/config_record.h"
#include "config/ui/num_edit.h"
#include "config/ui/parameter_rows.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/port_catalogue.h"
#include "platform/ui/device_thread.h"

namespace tilt::config::ui {

namespace {

constexpr const char* kWindow = "Configuration";
constexpr const char* kIdleCaption = "Progress";
// A read for a picture has nobody to press Return: it gives up on a silent logger.
constexpr link::Nanos kPictureGiveUp = link::ms(3000);

// What a rate code means, for the change marks.
QString rateText(double code) {
    if (code == kRateCode7p5Hz) {
        return QStringLiteral("7.5 Hz");
    }
    if (code == kRateCode15Hz) {
        return QStringLiteral("15 Hz");
    }
    return QStringLiteral("the rate code %1").arg(code);
}

void mark(QWidget* field, bool changed, const QString& tip) {
    if (field->property("changed").toBool() == changed && field->toolTip() == tip) {
        return;
    }
    field->setProperty("changed", changed);
    field->setToolTip(tip);
    common::ui::markField(field, changed);
}

// Whether two values of a parameter go out as the same bytes (30 degrees and its read-back
// 29.99908 do).
bool sameBytes(const Parameter& p, double a, double b) {
    try {
        return encodeValue(p, a) == encodeValue(p, b);
    } catch (const UnsendableValue&) {
        return false;
    }
}

QString captionOf(const Parameter& p) {
    return QString::fromUtf8(p.caption.data(), static_cast<qsizetype>(p.caption.size()));
}

// What a field says once its typing ended beyond a limit, or nothing.
QString limitText(const Parameter& p, const NumEdit& field) {
    const auto typed = field.limitedFrom();
    if (!typed) {
        return {};
    }
    return common::ui::limitNote(captionOf(p), NumEdit::displayText(*typed),
                                 NumEdit::displayText(field.value()), *typed > field.maximum());
}

}  // namespace

ConfigurationWindow::ConfigurationWindow(common::ui::AppContext& context,
                                         ConfigurationToolWindows toolWindows,
                                         std::function<void(bool)> setNavigationEnabled,
                                         QWidget* parent)
    : QMainWindow(parent),
      context_(context),
      toolWindows_(std::move(toolWindows)),
      setNavigationEnabled_(std::move(setNavigationEnabled)),
      readProgress_(this, [this](const CellReadProgress& p) { showReadProgress(p); }),
      writeProgress_(this, [this](int ticksDone) { showWriteProgress(ticksDone); }) {
    setObjectName(QStringLiteral("Configuration"));
    setWindowTitle(QStringLiteral("Configuration"));
    setWindowFlag(Qt::Window);
    // Each opening reads the logger afresh.
    setAttribute(Qt::WA_DeleteOnClose);
    buildMenus();
    buildControls();
    followed_ = context_.state.configuration;
    connect(&context_.loggerEvents, &common::ui::LoggerEvents::configurationWritten, this,
            &ConfigurationWindow::followWrites);
}

ConfigurationWindow::~ConfigurationWindow() = default;

void ConfigurationWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->menuAction()->setObjectName(QStringLiteral("mnuFile"));
    auto add = [this](QMenu* menu, const char* name, const QString& caption, auto handler) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    readAction_ = add(file, "mnuRead", QStringLiteral("&Read"), &ConfigurationWindow::startRead);
    writeAction_ =
        add(file, "mnuWrite", QStringLiteral("&Write"), &ConfigurationWindow::startWrite);
    // Neither starts while another window's job holds the logger.
    context_.device.guardEntry(readAction_);
    context_.device.guardEntry(writeAction_);
    file->addSeparator();
    saveProfileAction_ = add(file, "mnuSaveProfile", QStringLiteral("Save Profile…"),
                             &ConfigurationWindow::saveFieldsAsProfile);
    openProfileAction_ = add(file, "mnuOpenProfile", QStringLiteral("Open Profile…"),
                             &ConfigurationWindow::openProfileIntoFields);
    file->addSeparator();
    add(file, "mnuReturn", QStringLiteral("&Return"), &ConfigurationWindow::leave);

    toolsMenu_ = menuBar()->addMenu(QStringLiteral("&Tools"));
    toolsMenu_->menuAction()->setObjectName(QStringLiteral("mnuTools"));
    eepromAction_ = add(toolsMenu_, "mnuEEPROM", QStringLiteral("&EEPROM"),
                        [this] { toolWindows_.showEeprom(); });
    eepromAction_->setVisible(false);
    add(toolsMenu_, "mnuShowMin", QStringLiteral("&Show Min"), &ConfigurationWindow::showMinimums);
    add(toolsMenu_, "mnuShowMax", QStringLiteral("Show &Max"), &ConfigurationWindow::showMaximums);
    add(toolsMenu_, "mnuShowDefaults", QStringLiteral("Show &Defaults"),
        &ConfigurationWindow::showDefaults);
    add(toolsMenu_, "mnuAcc", QStringLiteral("A&ccelerometers"),
        [this] { toolWindows_.showAccelerometers(); });
    add(toolsMenu_, "mnuAngles", QStringLiteral("An&gles"), [this] { toolWindows_.showAngles(); });
    add(toolsMenu_, "mnuCalibrate", QStringLiteral("Cali&brate"),
        [this] { toolWindows_.showCalibrate(); });

    // The window sees the key before its fields do.
    auto* hiddenFrames = new QAction(this);
    hiddenFrames->setObjectName(QStringLiteral("keyHiddenFrames"));
    hiddenFrames->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F6));
    hiddenFrames->setShortcutContext(Qt::WindowShortcut);
    connect(hiddenFrames, &QAction::triggered, this, &ConfigurationWindow::toggleHiddenFrames);
    addAction(hiddenFrames);
}

void ConfigurationWindow::buildControls() {
    auto* central = new QWidget(this);
    rows_ = std::make_unique<ParameterRows>(central);
    auto* layout = new QGridLayout(central);
    layout->addWidget(rows_->singleAddressFrame, 0, 0, Qt::AlignTop);
    layout->addWidget(rows_->wordAddressFrame, 0, 1, Qt::AlignTop);
    layout->addWidget(rows_->identityFrame, 1, 0, 1, 2);

    progressFrame_ = new QGroupBox(QString::fromLatin1(kIdleCaption), central);
    progressFrame_->setObjectName(QStringLiteral("fraProgress"));
    auto* progress = new QVBoxLayout(progressFrame_);
    progressBar_ = new QProgressBar(progressFrame_);
    progressBar_->setObjectName(QStringLiteral("PBar"));
    progressBar_->setTextVisible(false);
    progressBar_->setValue(0);
    progress->addWidget(progressBar_);
    waitingLabel_ = new QLabel(
        QStringLiteral("Waiting for the logger to answer; a read changes nothing in it. Check "
                       "the cable and the logger's power, or choose Return to stop."),
        progressFrame_);
    waitingLabel_->setObjectName(QStringLiteral("lblWaiting"));
    waitingLabel_->setWordWrap(true);
    waitingLabel_->setStyleSheet(QStringLiteral("color: #b02020; font-weight: bold;"));
    waitingLabel_->hide();
    progress->addWidget(waitingLabel_);
    noteLabel_ = new QLabel(progressFrame_);
    noteLabel_->setObjectName(QStringLiteral("lblNote"));
    noteLabel_->setWordWrap(true);
    noteLabel_->hide();
    progress->addWidget(noteLabel_);
    layout->addWidget(progressFrame_, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
    setCentralWidget(central);

    for (const auto& [field, edit] : rows_->numbers) {
        connect(edit, &NumEdit::valueEdited, this, &ConfigurationWindow::showChanges);
        connect(edit, &NumEdit::valueEdited, this, &ConfigurationWindow::showLimits);
        connect(edit, &NumEdit::limited, this, &ConfigurationWindow::showChanges);
        connect(edit, &NumEdit::limited, this, &ConfigurationWindow::showLimits);
    }
    for (QRadioButton* option : {rows_->rate7p5Option, rows_->rate15Option}) {
        connect(option, &QRadioButton::toggled, this, &ConfigurationWindow::showChanges);
    }
    setHiddenFramesShown(false);
}

// --- Opening and leaving -------------------------------------------------------------------

void ConfigurationWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (setNavigationEnabled_) {
        setNavigationEnabled_(false);
    }
    if (!loaded_) {
        loaded_ = true;
        startRead();
    }
}

bool ConfigurationWindow::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && setNavigationEnabled_) {
        setNavigationEnabled_(false);
    }
    return QMainWindow::event(event);
}

void ConfigurationWindow::leave() {
    close();
}

void ConfigurationWindow::closeEvent(QCloseEvent* event) {
    // Leaving ends a read or a write; a write never stops inside one cell's three bytes.
    if (activity_ != Activity::Idle) {
        context_.device.stop();
    }
    if (setNavigationEnabled_) {
        setNavigationEnabled_(true);
    }
    QMainWindow::closeEvent(event);
}

void ConfigurationWindow::toggleHiddenFrames() {
    setHiddenFramesShown(!eepromAction_->isVisible());
}

void ConfigurationWindow::setHiddenFramesShown(bool shown) {
    eepromAction_->setVisible(shown);
    rows_->identityFrame->setVisible(shown);
    rows_->wordAddressFrame->setVisible(shown);
    if (isVisible()) {
        adjustSize();
    }
}

void ConfigurationWindow::prepareForPicture() {
    loaded_ = true;  // this read stands for the opening one
    setHiddenFramesShown(true);
    const std::int16_t port = context_.state.commPort;
    if (activity_ != Activity::Idle || context_.device.busy() || port == 0 ||
        !link::findPort(context_.catalogue, port)) {
        return;
    }
    picturing_ = true;
    startRead();
    while (activity_ != Activity::Idle) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    picturing_ = false;
}

// --- Read and write, common -----------------------------------------------------------------

void ConfigurationWindow::beginActivity(Activity activity, int steps) {
    activity_ = activity;
    setCursor(Qt::BusyCursor);
    for (QAction* command : {readAction_, writeAction_, saveProfileAction_, openProfileAction_,
                             toolsMenu_->menuAction()}) {
        command->setEnabled(false);
    }
    progressBar_->setRange(0, steps);
    progressBar_->setValue(0);
    showNote({});
}

void ConfigurationWindow::endActivity() {
    activity_ = Activity::Idle;
    readProgress_.discard();
    writeProgress_.discard();
    for (QAction* command : {readAction_, writeAction_, saveProfileAction_, openProfileAction_,
                             toolsMenu_->menuAction()}) {
        command->setEnabled(true);
    }
    progressBar_->setValue(0);
    progressFrame_->setTitle(QString::fromLatin1(kIdleCaption));
    waitingLabel_->hide();
    unsetCursor();
}

// --- Read -----------------------------------------------------------------------------------

void ConfigurationWindow::startRead() {
    if (activity_ != Activity::Idle) {
        return;
    }
    beginActivity(Activity::Reading, kReadSteps);
    held_.reset();  // the marks come back with the new read
    clearFields();
    readProgress_.discard();
    const auto onProgress = readProgress_.publisher();
    CellReadOptions options;
    // A picture is taken without dialogs: its read keeps its failures to itself.
    std::shared_ptr<ErrorReporter> quiet;
    if (picturing_) {
        quiet = std::make_shared<CountingErrors>();
        options.giveUpAfterSilence = kPictureGiveUp;
    }
    const bool started = context_.device.start<ReadOutcome>(
        this,
        {.title = "Read",
         .source = "mnuRead_Click",
         .entry = readAction_,
         .commPort = context_.state.commPort,
         .screen = kWindow},
        [options, quiet, onProgress, &library = context_.library](const link::JobScope& job) {
            const link::JobScope scope =
                quiet ? link::JobScope(job.link(), job.commPort(), *quiet, job.caller()) : job;
            ReadOutcome outcome;
            outcome.result = readConfiguration(scope, options, [&](const CellReadProgress& p) {
                outcome.done = p.done;
                onProgress(p);
            });
            if (outcome.result.end == TransferEnd::Completed) {
                outcome.libraryProblem = recordRead(library, outcome.result.bytes);
            }
            return outcome;
        },
        [this](const ReadOutcome& outcome) { readEnded(outcome); }, [this] { endActivity(); });
    if (!started) {
        endActivity();
    }
}

void ConfigurationWindow::showReadProgress(const CellReadProgress& progress) {
    if (activity_ != Activity::Reading) {
        return;
    }
    if (waitingLabel_->isVisible() != progress.waiting) {
        waitingLabel_->setVisible(progress.waiting);
        growToFit();
    }
    progressBar_->setValue(progress.done);
    progressFrame_->setTitle(QString::fromStdString(readingCaption(progress.done)));
}

void ConfigurationWindow::readEnded(const ReadOutcome& outcome) {
    const ConfigReadResult& result = outcome.result;
    common::ui::tellLibraryProblem(context_, outcome.libraryProblem);
    if (result.end == TransferEnd::Completed) {
        endActivity();
        held_ = result.bytes;
        keepRead(result.bytes);
        showRecord();
        followed_ = context_.state.configuration;
        if (!picturing_) {
            context_.messages.show("Read completed!");
        }
    } else if (result.end != TransferEnd::Stopped && !picturing_) {
        // The error handler has told why; this says what the read leaves. (A stop means the
        // window is closing.)
        showNote(QString::fromStdString(
                     readEndText(result.end, outcome.done, kReadSteps, 0, "choose File > Read")) +
                 QStringLiteral(" The fields were emptied for the read and stay so: a Write now "
                                "asks before it sends them."));
    }
}

// The read becomes the shared record (its bin angles, never read, stay 0); the identity is only
// shown.
void ConfigurationWindow::keepRead(const ReadArray& bytes) {
    context_.state.configuration = decodeConfiguration(bytes).record;
    for (const Parameter& p : parameterMap()) {
        if (p.encoding == Encoding::Identity) {
            rows_->identity.at(p.field)->setText(QString::number(decodedValue(p, bytes)));
        }
    }
}

void ConfigurationWindow::showRecord() {
    for (const auto& [field, edit] : rows_->numbers) {
        edit->setValue(valueOf(context_.state.configuration, field));
    }
    rows_->showRateCode(valueOf(context_.state.configuration, Field::LinearRate));
    fieldsCleared_ = false;
    showChanges();
    showLimits();
}

void ConfigurationWindow::clearFields() {
    for (const auto& [field, edit] : rows_->numbers) {
        edit->setValue(0);
    }
    rows_->clearRate();
    fieldsCleared_ = true;
    showChanges();
    showLimits();
}

// --- Write ----------------------------------------------------------------------------------

void ConfigurationWindow::startWrite() {
    if (activity_ != Activity::Idle) {
        return;
    }
    commitFields();
    const ParameterValues fields = fieldValues();
    std::vector<std::optional<CellWrite>> ticks;
    try {
        ticks = configurationWrite(fields);  // every value checked before the first byte
    } catch (const UnsendableValue& refusal) {
        refuseWrite(refusal);
        return;
    }
    if (fieldsCleared_ && !confirmWriteOfClearedFields(fields)) {
        showNote(QStringLiteral("Nothing was written."));
        return;
    }
    beginActivity(Activity::Writing, kWriteSteps);
    writeProgress_.discard();
    const auto onTick = writeProgress_.publisher();
    const auto record = recordWrittenCells(context_, ticks);
    // Return closes the window and ends the write with it: the user still hears what the
    // logger holds then.
    const auto stoppedByReturn = platform::ui::DeviceThread::toWindow<int>(
        &context_.loggerEvents, [&messages = context_.messages, ticks](int ticksDone) {
            messages.show(writeEndText(TransferEnd::Stopped, ticks, ticksDone,
                                       "open Configure Device and choose File > Write"));
        });
    // The library learns what the logger holds now when a read said which logger it is.
    const auto tellLibrary = platform::ui::DeviceThread::toWindow<std::optional<std::string>>(
        &context_.loggerEvents, [&context = context_](const std::optional<std::string>& problem) {
            common::ui::tellLibraryProblem(context, problem);
        });
    const bool started = context_.device.start<TickWriteResult>(
        this,
        {.title = "Write",
         .source = "mnuWrite_Click",
         .entry = writeAction_,
         .commPort = context_.state.commPort,
         .screen = kWindow},
        [ticks, onTick, record, stoppedByReturn, tellLibrary, before = held_,
         &library = context_.library](const link::JobScope& job) {
            const auto written = writeTicks(job, ticks, onTick);
            record(written.ticksDone);
            const auto cells = cellsWritten(ticks, written.ticksDone);
            if (before) {
                tellLibrary(recordWrite(library, *before, cells, written.end));
            } else if (written.end == TransferEnd::Completed) {
                // No read said which logger this is: its serial number, quietly, and not for
                // long.
                CountingErrors quiet;
                CellReadOptions briefly;
                briefly.giveUpAfterSilence = link::ms(1000);
                const auto serial = readCells({job.link(), job.commPort(), quiet, job.caller()},
                                              serialNumberCells(), briefly, {});
                if (serial.end == TransferEnd::Completed) {
                    tellLibrary(
                        recordWriteOf(library, serialNumberOf(serial.values), cells, written.end));
                }
            }
            if (written.end == TransferEnd::Stopped) {
                stoppedByReturn(written.ticksDone);
            }
            return written;
        },
        [this, ticks](const TickWriteResult& outcome) { writeEnded(outcome, ticks); },
        [this] { endActivity(); });
    if (!started) {
        endActivity();
    }
}

// The fields a failed read emptied hold zeros, which would set the update time increment and
// the gains to 0: the user sees what would go out and decides.
bool ConfigurationWindow::confirmWriteOfClearedFields(const ParameterValues& fields) {
    // One a line, the zeros (which stop a logger working) first.
    QStringList zeros;
    QStringList others;
    for (const Parameter& p : parameterMap()) {
        const auto value = fields.find(p.field);
        if (value == fields.end()) {
            continue;
        }
        const bool zero = value->second == 0;
        (zero ? zeros : others) << (p.encoding == Encoding::RateCode
                                        ? QStringLiteral("%1 %2").arg(
                                              captionOf(p), zero ? QStringLiteral("none (0)")
                                                                 : rateText(value->second))
                                        : QStringLiteral("%1 %2").arg(
                                              captionOf(p), NumEdit::displayText(value->second)));
    }
    const QString warning =
        QStringLiteral(
            "The last read did not complete, so the fields were emptied, and nothing "
            "has filled them since. Write would send these values to the logger:\r\n") +
        (zeros + others).join(QStringLiteral("\r\n")) +
        QStringLiteral(
            "\r\nTo fill the fields first, choose File > Read, open a profile or "
            "choose a Show command in the Tools menu.");
    return context_.messages.ask(destructiveQuestion(warning.toStdString()),
                                 Messages::Buttons::YesNoDefaultNo) == Messages::Answer::Yes;
}

void ConfigurationWindow::refuseWrite(const UnsendableValue& refusal) {
    context_.messages.show(refusal.description());
    if (const auto field = rows_->numbers.find(refusal.parameter().field);
        field != rows_->numbers.end()) {
        field->second->setFocus();
        field->second->selectAll();
    }
}

void ConfigurationWindow::showWriteProgress(int ticksDone) {
    if (activity_ != Activity::Writing) {
        return;
    }
    progressBar_->setValue(ticksDone);
    progressFrame_->setTitle(QString::fromStdString(writingCaption(ticksDone)));
}

void ConfigurationWindow::writeEnded(const TickWriteResult& outcome,
                                     const std::vector<std::optional<CellWrite>>& ticks) {
    if (outcome.end == TransferEnd::Completed) {
        endActivity();
        fieldsCleared_ = false;  // the logger holds what the fields show
        if (!held_) {
            // Every cell a read compares has been written: the logger holds what went out.
            ReadArray written{};
            for (const CellWrite& cell : cellsWritten(ticks, outcome.ticksDone)) {
                putCell(written, cell);
            }
            held_ = written;
            showChanges();
        }
        context_.messages.show("Write completed!");
    } else if (outcome.end != TransferEnd::Stopped) {
        // The error handler has told why; this says what reached the logger.
        showNote(QString::fromStdString(
            writeEndText(outcome.end, ticks, outcome.ticksDone, "choose File > Write")));
    }
}

// The shared record changed by a write (this window's own, or a tare, a DAC setting or a
// calibration written elsewhere): what the logger holds follows, and so does each field
// that the user has not changed meanwhile.
void ConfigurationWindow::followWrites() {
    const ConfigRecord& record = context_.state.configuration;
    const std::optional<ReadArray> before = held_;
    for (const auto& [field, value] : profileValuesOf(record)) {
        if (valueOf(followed_, field) == value) {
            continue;
        }
        const Parameter& p = parameterOf(field);
        if (held_) {
            try {
                const auto bytes = encodeValue(p, value);
                for (std::size_t i = 0; i < bytes.size(); ++i) {
                    (*held_)[static_cast<std::size_t>(p.readStep) + i] = bytes[i];
                }
            } catch (const UnsendableValue&) {
                // Nothing the logger can hold: what the window knew of it stays.
            }
        }
        const bool rate = p.encoding == Encoding::RateCode;
        const double shown = rate ? rows_->rateCode() : rows_->numbers.at(field)->value();
        // Changed by the user: against what the logger held, or, with nothing read, typed.
        const bool edited = before ? differsFromRead(p, shown, *before)
                                   : !rate && rows_->numbers.at(field)->typedByUser();
        if (sameBytes(p, shown, value) || edited) {
            continue;
        }
        if (rate) {
            rows_->showRateCode(value);
        } else {
            rows_->numbers.at(field)->setValue(value);
        }
    }
    followed_ = record;
    showChanges();
    showLimits();
}

// --- Fields, presets and profiles -----------------------------------------------------------

void ConfigurationWindow::commitFields() {
    for (const auto& [field, edit] : rows_->numbers) {
        edit->commit();
    }
}

// What the fields hold, for the fields a write sends.
ParameterValues ConfigurationWindow::fieldValues() const {
    ParameterValues values;
    for (const Parameter& p : parameterMap()) {
        if (isProfileField(p)) {
            values[p.field] = p.encoding == Encoding::RateCode
                                  ? rows_->rateCode()
                                  : rows_->numbers.at(p.field)->value();
        }
    }
    return values;
}

void ConfigurationWindow::setFieldValues(const ParameterValues& values) {
    for (const auto& [field, value] : values) {
        if (const auto edit = rows_->numbers.find(field); edit != rows_->numbers.end()) {
            edit->second->setValue(value);
        } else if (parameterOf(field).encoding == Encoding::RateCode) {
            rows_->showRateCode(value);
        }
    }
    fieldsCleared_ = false;
    showChanges();
    showLimits();
}

void ConfigurationWindow::showMinimums() {
    setFieldValues(presetValues(Preset::Min));
}

void ConfigurationWindow::showMaximums() {
    setFieldValues(presetValues(Preset::Max));
}

void ConfigurationWindow::showDefaults() {
    setFieldValues(presetValues(Preset::Defaults));
}

void ConfigurationWindow::saveFieldsAsProfile() {
    commitFields();
    saveProfile(context_, fieldValues());
}

void ConfigurationWindow::openProfileIntoFields() {
    if (const auto profile = openProfile(context_)) {
        setFieldValues(*profile);  // nothing reaches the logger before a Write
    }
}

void ConfigurationWindow::showChanges() {
    if (!rows_) {
        return;  // still being built
    }
    std::optional<DeviceConfiguration> held;
    if (held_) {
        held = decodeConfiguration(*held_);
    }
    for (const Parameter& p : parameterMap()) {
        if (!isProfileField(p)) {
            continue;
        }
        const bool rate = p.encoding == Encoding::RateCode;
        const double value = rate ? rows_->rateCode() : rows_->numbers.at(p.field)->value();
        const bool changed = held_ && differsFromRead(p, value, *held_);
        QStringList tips;
        if (!rate) {
            tips << limitText(p, *rows_->numbers.at(p.field));
        }
        if (changed) {
            const double was = valueOf(held->record, p.field);
            tips << QStringLiteral("The logger holds %1; Write will change it.")
                        .arg(rate ? rateText(was) : NumEdit::displayText(was));
        }
        tips.removeAll(QString());
        const QString tip = tips.join(QLatin1Char('\n'));
        if (rate) {
            mark(rows_->rate7p5Option, changed, tip);
            mark(rows_->rate15Option, changed, tip);
        } else {
            mark(rows_->numbers.at(p.field), changed, tip);
        }
    }
}

void ConfigurationWindow::showNote(const QString& text) {
    noteLabel_->setText(text);
    noteLabel_->setVisible(!text.isEmpty());
    noteLabel_->setProperty("limits", false);
    growToFit();
}

// A note of several lines must not squeeze the rows: the window grows to hold it at its present
// width (wrapped text is as tall as the width leaves it), and never shrinks.
void ConfigurationWindow::growToFit() {
    QWidget* central = centralWidget();
    if (!isVisible() || central == nullptr || central->layout() == nullptr) {
        return;
    }
    central->layout()->activate();
    const int needed = central->hasHeightForWidth() ? central->heightForWidth(central->width())
                                                    : central->minimumSizeHint().height();
    if (needed > central->height()) {
        resize(width(), height() + needed - central->height());
    }
}

// Every field brought back within its limits says so where the user looks: in its tip (see
// showChanges) and below the frames, until it is typed or set again.
void ConfigurationWindow::showLimits() {
    QStringList notes;
    for (const Parameter& p : parameterMap()) {
        if (const auto field = rows_->numbers.find(p.field); field != rows_->numbers.end()) {
            notes << limitText(p, *field->second);
        }
    }
    notes.removeAll(QString());
    const bool limitsShown = noteLabel_->property("limits").toBool();
    if (!notes.isEmpty() || limitsShown) {
        showNote(notes.join(QLatin1Char('\n')));
        noteLabel_->setProperty("limits", !notes.isEmpty());
    }
}

}  // namespace tilt::config::ui
