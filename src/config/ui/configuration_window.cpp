#include "config/ui/configuration_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QRadioButton>
#include <QVBoxLayout>

#include "common/counting_errors.h"
#include "common/messages.h"
#include "common/ui/app_context.h"
#include "common/ui/field_notes.h"
#include "config/parameter_map.h"
#include "config/transfer_report.h"
#include "config/ui/config_profile_files.h"
#include "config/ui/config_record.h"
#include "config/ui/num_edit.h"
#include "config/ui/parameter_rows.h"
#include "link/device_link.h"
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
    if (code == kRate75Hz) {
        return QStringLiteral("7.5 Hz");
    }
    if (code == kRate15Hz) {
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
                                 NumEdit::displayText(field.value()), *typed > field.Max());
}

}  // namespace

Configuration::Configuration(common::ui::AppContext& context, ConfigurationToolWindows toolWindows,
                             std::function<void(bool)> setNavigationEnabled, QWidget* parent)
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
    followed_ = profileRecord(context_.state);
    connect(&context_.loggerEvents, &common::ui::LoggerEvents::configurationWritten, this,
            &Configuration::followWrites);
}

Configuration::~Configuration() = default;

void Configuration::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->menuAction()->setObjectName(QStringLiteral("mnuFile"));
    auto add = [this](QMenu* menu, const char* name, const QString& caption, auto handler) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    mnuRead_ = add(file, "mnuRead", QStringLiteral("&Read"), &Configuration::mnuRead_Click);
    mnuWrite_ = add(file, "mnuWrite", QStringLiteral("&Write"), &Configuration::mnuWrite_Click);
    // Neither starts while another window's job holds the logger.
    context_.device.guardEntry(mnuRead_);
    context_.device.guardEntry(mnuWrite_);
    file->addSeparator();
    mnuSaveProfile_ = add(file, "mnuSaveProfile", QStringLiteral("Save Profile…"),
                          &Configuration::mnuSaveProfile_Click);
    mnuOpenProfile_ = add(file, "mnuOpenProfile", QStringLiteral("Open Profile…"),
                          &Configuration::mnuOpenProfile_Click);
    file->addSeparator();
    add(file, "mnuReturn", QStringLiteral("&Return"), &Configuration::mnuReturn_Click);

    mnuTools_ = menuBar()->addMenu(QStringLiteral("&Tools"));
    mnuTools_->menuAction()->setObjectName(QStringLiteral("mnuTools"));
    mnuEEPROM_ = add(mnuTools_, "mnuEEPROM", QStringLiteral("&EEPROM"),
                     [this] { toolWindows_.showEeprom(); });
    mnuEEPROM_->setVisible(false);
    add(mnuTools_, "mnuShowMin", QStringLiteral("&Show Min"), &Configuration::ShowMinValues);
    add(mnuTools_, "mnuShowMax", QStringLiteral("Show &Max"), &Configuration::ShowMaxValues);
    add(mnuTools_, "mnuShowDefaults", QStringLiteral("Show &Defaults"),
        &Configuration::ShowDefaultValues);
    add(mnuTools_, "mnuAcc", QStringLiteral("A&ccelerometers"),
        [this] { toolWindows_.showAccelerometers(); });
    add(mnuTools_, "mnuAngles", QStringLiteral("An&gles"), [this] { toolWindows_.showAngles(); });
    add(mnuTools_, "mnuCalibrate", QStringLiteral("Cali&brate"),
        [this] { toolWindows_.showCalibrate(); });

    // The window sees the key before its fields do.
    auto* hiddenFrames = new QAction(this);
    hiddenFrames->setObjectName(QStringLiteral("keyHiddenFrames"));
    hiddenFrames->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F6));
    hiddenFrames->setShortcutContext(Qt::WindowShortcut);
    connect(hiddenFrames, &QAction::triggered, this, &Configuration::toggleHiddenFrames);
    addAction(hiddenFrames);
}

void Configuration::buildControls() {
    auto* central = new QWidget(this);
    rows_ = std::make_unique<ParameterRows>(central);
    auto* layout = new QGridLayout(central);
    layout->addWidget(rows_->fraSingleAddresses, 0, 0, Qt::AlignTop);
    layout->addWidget(rows_->fraAddresses, 0, 1, Qt::AlignTop);
    layout->addWidget(rows_->fra100108, 1, 0, 1, 2);

    fraProgress_ = new QGroupBox(QString::fromLatin1(kIdleCaption), central);
    fraProgress_->setObjectName(QStringLiteral("fraProgress"));
    auto* progress = new QVBoxLayout(fraProgress_);
    PBar_ = new QProgressBar(fraProgress_);
    PBar_->setObjectName(QStringLiteral("PBar"));
    PBar_->setTextVisible(false);
    PBar_->setValue(0);
    progress->addWidget(PBar_);
    lblWaiting_ = new QLabel(
        QStringLiteral("Waiting for the logger to answer; a read changes nothing in it. Check "
                       "the cable and the logger's power, or choose Return to stop."),
        fraProgress_);
    lblWaiting_->setObjectName(QStringLiteral("lblWaiting"));
    lblWaiting_->setWordWrap(true);
    lblWaiting_->setStyleSheet(QStringLiteral("color: #b02020; font-weight: bold;"));
    lblWaiting_->hide();
    progress->addWidget(lblWaiting_);
    lblNote_ = new QLabel(fraProgress_);
    lblNote_->setObjectName(QStringLiteral("lblNote"));
    lblNote_->setWordWrap(true);
    lblNote_->hide();
    progress->addWidget(lblNote_);
    layout->addWidget(fraProgress_, 2, 0, 1, 2);
    layout->setRowStretch(3, 1);
    setCentralWidget(central);

    for (const auto& [field, edit] : rows_->numbers) {
        connect(edit, &NumEdit::valueEdited, this, &Configuration::showChanges);
        connect(edit, &NumEdit::valueEdited, this, &Configuration::showLimits);
        connect(edit, &NumEdit::limited, this, &Configuration::showChanges);
        connect(edit, &NumEdit::limited, this, &Configuration::showLimits);
    }
    for (QRadioButton* option : {rows_->opt75Hz, rows_->opt15Hz}) {
        connect(option, &QRadioButton::toggled, this, &Configuration::showChanges);
    }
    setHiddenFramesShown(false);
}

// --- Opening and leaving -------------------------------------------------------------------

void Configuration::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (setNavigationEnabled_) {
        setNavigationEnabled_(false);
    }
    if (!loaded_) {
        loaded_ = true;
        mnuRead_Click();
    }
}

bool Configuration::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && setNavigationEnabled_) {
        setNavigationEnabled_(false);
    }
    return QMainWindow::event(event);
}

void Configuration::mnuReturn_Click() {
    close();
}

void Configuration::closeEvent(QCloseEvent* event) {
    // Leaving ends a read or a write; a write never stops inside one cell's three bytes.
    if (activity_ != Activity::Idle) {
        context_.device.stop();
    }
    if (setNavigationEnabled_) {
        setNavigationEnabled_(true);
    }
    QMainWindow::closeEvent(event);
}

void Configuration::toggleHiddenFrames() {
    setHiddenFramesShown(!mnuEEPROM_->isVisible());
}

void Configuration::setHiddenFramesShown(bool shown) {
    mnuEEPROM_->setVisible(shown);
    rows_->fra100108->setVisible(shown);
    rows_->fraAddresses->setVisible(shown);
    if (isVisible()) {
        adjustSize();
    }
}

void Configuration::prepareForPicture() {
    loaded_ = true;  // this read stands for the opening one
    setHiddenFramesShown(true);
    const std::int16_t port = context_.state.CommPort;
    if (activity_ != Activity::Idle || context_.device.busy() || port == 0 ||
        !link::findPort(context_.catalogue, port)) {
        return;
    }
    picturing_ = true;
    mnuRead_Click();
    while (activity_ != Activity::Idle) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    picturing_ = false;
}

// --- Read and write, common -----------------------------------------------------------------

void Configuration::beginActivity(Activity activity, int steps) {
    activity_ = activity;
    setCursor(Qt::BusyCursor);
    for (QAction* command :
         {mnuRead_, mnuWrite_, mnuSaveProfile_, mnuOpenProfile_, mnuTools_->menuAction()}) {
        command->setEnabled(false);
    }
    context_.state.AddressIndex = activity == Activity::Reading ? kFirstReadStep : kFirstWriteStep;
    PBar_->setRange(0, steps);
    PBar_->setValue(0);
    showNote({});
}

void Configuration::endActivity() {
    activity_ = Activity::Idle;
    readProgress_.discard();
    writeProgress_.discard();
    for (QAction* command :
         {mnuRead_, mnuWrite_, mnuSaveProfile_, mnuOpenProfile_, mnuTools_->menuAction()}) {
        command->setEnabled(true);
    }
    PBar_->setValue(0);
    fraProgress_->setTitle(QString::fromLatin1(kIdleCaption));
    lblWaiting_->hide();
    unsetCursor();
}

// --- Read -----------------------------------------------------------------------------------

void Configuration::mnuRead_Click() {
    if (activity_ != Activity::Idle) {
        return;
    }
    beginActivity(Activity::Reading, kReadSteps);
    held_.reset();  // the marks come back with the new read
    ClearParameters();
    readProgress_.discard();
    const auto onProgress = readProgress_.publisher();
    CellReadOptions options;
    options.commPort = context_.state.CommPort;
    options.window = kWindow;
    // A picture is taken without dialogs: its read keeps its failures to itself.
    std::shared_ptr<ErrorReporter> quiet;
    if (picturing_) {
        quiet = std::make_shared<CountingErrors>();
        options.giveUpAfterSilence = kPictureGiveUp;
    }
    ErrorReporter& errors = quiet ? *quiet : context_.errors;
    const bool started = context_.device.start<ReadOutcome>(
        this, {"Read", "mnuRead_Click", mnuRead_},
        [options, &errors, quiet, onProgress](link::DeviceLink& link) {
            ReadOutcome outcome;
            outcome.result =
                readConfiguration(link, errors, options, [&](const CellReadProgress& p) {
                    outcome.done = p.done;
                    onProgress(p);
                });
            return outcome;
        },
        [this](const ReadOutcome& outcome) { readEnded(outcome); }, [this] { endActivity(); });
    if (!started) {
        endActivity();
    }
}

void Configuration::showReadProgress(const CellReadProgress& progress) {
    if (activity_ != Activity::Reading) {
        return;
    }
    if (lblWaiting_->isVisible() != progress.waiting) {
        lblWaiting_->setVisible(progress.waiting);
        growToFit();
    }
    context_.state.AddressIndex = static_cast<std::int16_t>(kFirstReadStep + progress.done);
    PBar_->setValue(progress.done);
    fraProgress_->setTitle(QString::fromStdString(readingCaption(progress.done)));
}

void Configuration::readEnded(const ReadOutcome& outcome) {
    const ConfigReadResult& result = outcome.result;
    if (result.end == TransferEnd::Completed) {
        endActivity();
        held_ = result.bytes;
        BreakOutReadArray(result.bytes);
        DisplayParameters();
        followed_ = profileRecord(context_.state);
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

void Configuration::BreakOutReadArray(const ReadArray& bytes) {
    const DeviceConfiguration read = config::BreakOutReadArray(bytes);
    for (const auto& [field, value] : read.values) {
        if (double* kept = recordField(context_.state, field)) {
            *kept = value;
        }
    }
    for (const Parameter& p : parameterMap()) {
        if (p.encoding == Encoding::Identity) {
            rows_->identity.at(p.recordField)->setText(QString::number(decodedValue(p, bytes)));
        }
    }
}

void Configuration::DisplayParameters() {
    for (const auto& [field, edit] : rows_->numbers) {
        edit->setValue(*recordField(context_.state, field));
    }
    rows_->showRateCode(context_.state.LinearUpdateRate);
    fieldsCleared_ = false;
    showChanges();
    showLimits();
}

void Configuration::ClearParameters() {
    for (const auto& [field, edit] : rows_->numbers) {
        edit->setValue(0);
    }
    rows_->clearRate();
    fieldsCleared_ = true;
    showChanges();
    showLimits();
}

// --- Write ----------------------------------------------------------------------------------

void Configuration::mnuWrite_Click() {
    if (activity_ != Activity::Idle) {
        return;
    }
    commitFields();
    const ConfigValues fields = profileValues();
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
    TickWriteOptions options;
    options.commPort = context_.state.CommPort;
    options.window = kWindow;
    ErrorReporter& errors = context_.errors;
    const bool started = context_.device.start<TickWriteResult>(
        this, {"Write", "mnuWrite_Click", mnuWrite_},
        [ticks, options, &errors, onTick, record, stoppedByReturn](link::DeviceLink& link) {
            const auto written = writeTicks(link, errors, ticks, options, onTick);
            record(written.ticksDone);
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
bool Configuration::confirmWriteOfClearedFields(const ConfigValues& fields) {
    // One a line, the zeros (which stop a logger working) first.
    QStringList zeros;
    QStringList others;
    for (const Parameter& p : parameterMap()) {
        const auto value = fields.find(p.recordField);
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

void Configuration::refuseWrite(const UnsendableValue& refusal) {
    context_.messages.show(refusal.description());
    const std::string_view name = refusal.parameter().field;
    if (auto* field = findChild<QLineEdit*>(
            QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())))) {
        field->setFocus();
        field->selectAll();
    }
}

void Configuration::showWriteProgress(int ticksDone) {
    if (activity_ != Activity::Writing) {
        return;
    }
    context_.state.AddressIndex = static_cast<std::int16_t>(kFirstWriteStep + ticksDone);
    PBar_->setValue(ticksDone);
    fraProgress_->setTitle(QString::fromStdString(writingCaption(ticksDone)));
}

void Configuration::writeEnded(const TickWriteResult& outcome,
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
void Configuration::followWrites() {
    const ConfigValues record = profileRecord(context_.state);
    const std::optional<ReadArray> before = held_;
    for (const auto& [field, value] : record) {
        const auto was = followed_.find(field);
        if (was != followed_.end() && was->second == value) {
            continue;
        }
        const Parameter& p = *findParameter(field);
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
        const double shown = rate ? rows_->rateCode() : rows_->numbers.at(p.recordField)->value();
        // Changed by the user: against what the logger held, or, with nothing read, typed.
        const bool edited = before ? differsFromRead(p, shown, *before)
                                   : !rate && rows_->numbers.at(p.recordField)->typedByUser();
        if (sameBytes(p, shown, value) || edited) {
            continue;
        }
        if (rate) {
            rows_->showRateCode(value);
        } else {
            rows_->numbers.at(p.recordField)->setValue(value);
        }
    }
    followed_ = record;
    showChanges();
    showLimits();
}

// --- Fields, presets and profiles -----------------------------------------------------------

void Configuration::commitFields() {
    for (const auto& [field, edit] : rows_->numbers) {
        edit->commit();
    }
}

ConfigValues Configuration::profileValues() const {
    ConfigValues values;
    for (const Parameter& p : parameterMap()) {
        if (isProfileField(p)) {
            values[std::string(p.recordField)] = p.encoding == Encoding::RateCode
                                                     ? rows_->rateCode()
                                                     : rows_->numbers.at(p.recordField)->value();
        }
    }
    return values;
}

void Configuration::setFieldValues(const ConfigValues& values) {
    for (const auto& [field, value] : values) {
        if (const auto edit = rows_->numbers.find(field); edit != rows_->numbers.end()) {
            edit->second->setValue(value);
        } else if (const Parameter* p = findParameter(field);
                   p != nullptr && p->encoding == Encoding::RateCode) {
            rows_->showRateCode(value);
        }
    }
    fieldsCleared_ = false;
    showChanges();
    showLimits();
}

void Configuration::ShowMinValues() {
    setFieldValues(presetValues(Preset::Min));
}

void Configuration::ShowMaxValues() {
    setFieldValues(presetValues(Preset::Max));
}

void Configuration::ShowDefaultValues() {
    setFieldValues(presetValues(Preset::Defaults));
}

void Configuration::mnuSaveProfile_Click() {
    commitFields();
    saveProfile(context_, profileValues());
}

void Configuration::mnuOpenProfile_Click() {
    if (const auto profile = openProfile(context_)) {
        setFieldValues(*profile);  // nothing reaches the logger before a Write
    }
}

void Configuration::showChanges() {
    if (!rows_) {
        return;  // still being built
    }
    std::optional<DeviceConfiguration> held;
    if (held_) {
        held = config::BreakOutReadArray(*held_);
    }
    for (const Parameter& p : parameterMap()) {
        if (!isProfileField(p)) {
            continue;
        }
        const bool rate = p.encoding == Encoding::RateCode;
        const double value = rate ? rows_->rateCode() : rows_->numbers.at(p.recordField)->value();
        const bool changed = held_ && differsFromRead(p, value, *held_);
        QStringList tips;
        if (!rate) {
            tips << limitText(p, *rows_->numbers.at(p.recordField));
        }
        if (changed) {
            const double was = held->values.at(std::string(p.recordField));
            tips << QStringLiteral("The logger holds %1; Write will change it.")
                        .arg(rate ? rateText(was) : NumEdit::displayText(was));
        }
        tips.removeAll(QString());
        const QString tip = tips.join(QLatin1Char('\n'));
        if (rate) {
            mark(rows_->opt75Hz, changed, tip);
            mark(rows_->opt15Hz, changed, tip);
        } else {
            mark(rows_->numbers.at(p.recordField), changed, tip);
        }
    }
}

void Configuration::showNote(const QString& text) {
    lblNote_->setText(text);
    lblNote_->setVisible(!text.isEmpty());
    lblNote_->setProperty("limits", false);
    growToFit();
}

// A note of several lines must not squeeze the rows: the window grows to hold it at its present
// width (wrapped text is as tall as the width leaves it), and never shrinks.
void Configuration::growToFit() {
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
void Configuration::showLimits() {
    QStringList notes;
    for (const Parameter& p : parameterMap()) {
        if (const auto field = rows_->numbers.find(p.recordField); field != rows_->numbers.end()) {
            notes << limitText(p, *field->second);
        }
    }
    notes.removeAll(QString());
    const bool limitsShown = lblNote_->property("limits").toBool();
    if (!notes.isEmpty() || limitsShown) {
        showNote(notes.join(QLatin1Char('\n')));
        lblNote_->setProperty("limits", !notes.isEmpty());
    }
}

}  // namespace tilt::config::ui
