#include "live/ui/accelerometers_window.h"

#include <QAction>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <string>

#include "common/error.h"
#include "common/error_reporter.h"
#include "common/text_value.h"
#include "common/ui/app_context.h"
#include "common/ui/field_notes.h"
#include "config/parameter_map.h"
#include "link/device_link.h"
#include "live/ui/locale_number.h"
#include "logging/data_file.h"
#include "platform/ui/device_thread.h"

namespace tilt::live::ui {

namespace {
constexpr const char* kWindow = "Accelerometers";
constexpr const char* kNote =
    "Run Configuration screen first and you'll get the actual DAC values to start off with......";
constexpr std::array<const char*, 3> kAxes = {"X", "Y", "Z"};
// The chart shows at least this many counts: a still logger's noise of a count or two stays
// small.
constexpr double kLeastCountsShown = 20;

// The configuration's setting of DAC 1, 2 or 3.
double& dacSetting(ConfigRecord& configuration, int dac) {
    return configuration.dac[static_cast<std::size_t>(std::clamp(dac, 1, 3) - 1)];
}

// A value on a slider: rounded, and kept within its range.
int onSlider(const QSlider& slider, double value) {
    const double kept = std::clamp(value, static_cast<double>(slider.minimum()),
                                   static_cast<double>(slider.maximum()));
    return static_cast<int>(std::lround(kept));
}

// A number the user typed: in the user's number format, else its leading number (0 for none).
double typedNumber(const QString& text) {
    bool ok = false;
    const double value = QLocale().toDouble(text.trimmed(), &ok);
    return ok ? value : leadingNumber(text.toStdString());
}

QSlider* slider(const QString& name, int maximum, QWidget* parent) {
    auto* made = new QSlider(Qt::Horizontal, parent);
    made->setObjectName(name);
    made->setRange(0, maximum);
    return made;
}
}  // namespace

AccelerometersWindow::AccelerometersWindow(common::ui::AppContext& context, QWidget* parent)
    : LiveWindow(context,
                 {kWindow,
                  logging::kAccelerometers,
                  {QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("Z")},
                  QString(),
                  kLeastCountsShown},
                 parent),
      feed_(this,
            [this](const std::vector<AccelerationSample>& samples) { showReadings(samples); }) {
    setReadingsPanel(buildReadings());
    for (Channel& c : channels_) {
        c.followed = dacSetting(context_.state.configuration, c.dac);
        showSetting(c, c.followed);
    }
    // A DAC setting written elsewhere (the Configuration window) shows here too.
    connect(&context_.loggerEvents, &common::ui::LoggerEvents::configurationWritten, this,
            &AccelerometersWindow::followWrites);

    // The window sees the key before its boxes do.
    auto* hiddenKey = new QAction(this);
    hiddenKey->setObjectName(QStringLiteral("keyHiddenSliders"));
    hiddenKey->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F6));
    hiddenKey->setShortcutContext(Qt::WindowShortcut);
    connect(hiddenKey, &QAction::triggered, this, &AccelerometersWindow::toggleHiddenSliders);
    addAction(hiddenKey);
    resize(560, 560);
}

QWidget* AccelerometersWindow::buildReadings() {
    auto* panel = new QWidget(this);
    const BoxFrame counts = boxFrame(
        QStringLiteral("Accelerometers"), "fraAcc",
        {{"Acc X", "txtX", "Acc X"}, {"Acc Y", "txtY", "Acc Y"}, {"Acc Z", "txtZ", "Acc Z"}},
        panel);
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        channels_[i].count = counts.boxes[i];
    }
    auto* top = new QHBoxLayout;
    top->addWidget(counts.frame);
    top->addWidget(buildCountSliders(panel), 1);
    note_ = new QLabel(QString::fromLatin1(kNote), panel);
    note_->setObjectName(QStringLiteral("lblNote"));
    note_->setWordWrap(true);
    note_->setVisible(false);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(buildHiddenSliders(panel));
    layout->addWidget(note_);
    return panel;
}

QGroupBox* AccelerometersWindow::buildCountSliders(QWidget* parent) {
    auto* frame = new QGroupBox(parent);
    frame->setObjectName(QStringLiteral("fraSlider"));
    auto* layout = new QFormLayout(frame);
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        QSlider* s = slider(QStringLiteral("SlideAcc") + QString::fromLatin1(kAxes[i]),
                            link::kAccelerometerCountMax, frame);
        // It shows the count; the user does not move it.
        s->setAttribute(Qt::WA_TransparentForMouseEvents);
        s->setFocusPolicy(Qt::NoFocus);
        s->setAccessibleName(QStringLiteral("Acc ") + QString::fromLatin1(kAxes[i]) +
                             QStringLiteral(" Bar"));
        channels_[i].countSlider = s;
        layout->addRow(QString::fromLatin1(kAxes[i]), s);
    }
    return frame;
}

QGroupBox* AccelerometersWindow::buildHiddenSliders(QWidget* parent) {
    hiddenSliders_ = new QGroupBox(QStringLiteral("Slider"), parent);
    hiddenSliders_->setObjectName(QStringLiteral("fraHiddenSliders"));
    hiddenSliders_->setVisible(false);
    auto* layout = new QGridLayout(hiddenSliders_);
    // The DAC settings take what the configuration window accepts for them.
    const int most = static_cast<int>(config::parameterOf(config::Field::Dac1).max);
    const std::array<const char*, 3> names = {"Ax", "Ay", "Az"};
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        Channel& c = channels_[i];
        c.dac = static_cast<int>(i + 1);
        const QString axis = QString::fromLatin1(kAxes[i]);
        const QString dac = QString::number(i + 1);
        c.setting =
            slider(QString::fromLatin1(names[i]) + QStringLiteral("Slider"), most, hiddenSliders_);
        c.setting->setAccessibleName(QStringLiteral("DAC") + dac + QStringLiteral(" Slider"));
        c.settingText = new QLineEdit(hiddenSliders_);
        c.settingText->setObjectName(QStringLiteral("txtS") + axis);
        c.settingText->setAccessibleName(QStringLiteral("DAC") + dac + QStringLiteral(" Value"));
        c.write = new QPushButton(QStringLiteral("Write DAC") + dac, hiddenSliders_);
        c.write->setObjectName(QStringLiteral("cmdWriteDAC") + dac);
        const int row = static_cast<int>(i);
        layout->addWidget(c.setting, row, 0);
        layout->addWidget(c.settingText, row, 1);
        layout->addWidget(c.write, row, 2);
        mirror(c);
        connect(c.write, &QPushButton::clicked, this,
                std::array{&AccelerometersWindow::writeDac1, &AccelerometersWindow::writeDac2,
                           &AccelerometersWindow::writeDac3}[i]);
    }
    layout->setColumnStretch(0, 1);
    return hiddenSliders_;
}

void AccelerometersWindow::mirror(Channel& channel) {
    connect(channel.setting, &QSlider::valueChanged, this, [this, &channel](int value) {
        if (!typing_) {
            channel.typed = false;
            channel.settingText->setText(localeNumber(value));
            markOutOfRange(channel, false);
        }
    });
    connect(channel.settingText, &QLineEdit::textEdited, this,
            [this, &channel](const QString& text) {
                channel.typed = true;
                typing_ = true;
                channel.setting->setValue(onSlider(*channel.setting, typedNumber(text)));
                typing_ = false;
            });
    connect(channel.settingText, &QLineEdit::editingFinished, this,
            [this, &channel] { takeTyping(channel); });
}

// A setting the program shows (the logger's, read or written): the box shows it as it is, the
// slider as near as it goes.
void AccelerometersWindow::showSetting(Channel& channel, double value) {
    typing_ = true;
    channel.setting->setValue(onSlider(*channel.setting, value));
    typing_ = false;
    channel.typed = false;
    channel.settingText->setText(localeNumber(value));
    markOutOfRange(channel,
                   value < channel.setting->minimum() || value > channel.setting->maximum());
}

void AccelerometersWindow::markOutOfRange(Channel& channel, bool outOfRange) {
    channel.outOfRange = outOfRange;
    QLineEdit* box = channel.settingText;
    if (!outOfRange) {
        box->setToolTip({});
        box->setStyleSheet({});
        return;
    }
    box->setToolTip(QStringLiteral("The logger holds %1 for DAC%2, outside the %3 to %4 the "
                                   "slider sets. Write DAC%2 sends nothing until you move the "
                                   "slider or type a value.")
                        .arg(box->text())
                        .arg(channel.dac)
                        .arg(channel.setting->minimum())
                        .arg(channel.setting->maximum()));
    common::ui::markField(box, true);
}

// The end of typing (Enter, leaving the box, or Write DAC): the box takes the slider's value,
// which is what goes out, and says so when that is not what was typed.
void AccelerometersWindow::takeTyping(Channel& channel) {
    if (!channel.typed) {
        return;
    }
    channel.typed = false;
    const double typed = typedNumber(channel.settingText->text());
    const int kept = channel.setting->value();
    channel.settingText->setText(localeNumber(kept));
    markOutOfRange(channel, false);
    const int lowest = channel.setting->minimum();
    const int highest = channel.setting->maximum();
    if (typed < lowest || typed > highest) {
        showStatus(common::ui::limitNote(QStringLiteral("DAC%1").arg(channel.dac),
                                         localeNumber(typed), localeNumber(kept), typed > highest));
    }
}

void AccelerometersWindow::followWrites() {
    for (Channel& c : channels_) {
        const double setting = dacSetting(context_.state.configuration, c.dac);
        if (setting != c.followed) {
            c.followed = setting;
            if (!c.typed) {
                showSetting(c, setting);
            }
        }
    }
}

void AccelerometersWindow::prepareForPicture() {
    // The picture shows everything the window offers, the DAC sliders too.
    if (hiddenSliders_->isHidden()) {
        toggleHiddenSliders();
    }
    LiveWindow::prepareForPicture();
}

void AccelerometersWindow::toggleHiddenSliders() {
    const bool show = hiddenSliders_->isHidden();
    hiddenSliders_->setVisible(show);
    note_->setVisible(show);
}

LiveWindow::Loop AccelerometersWindow::makeLoop() {
    AccelerationLoopEvents events;
    events.reading = feed_.publisher();
    events.dac = cellsWrittenNotice<DacDone>(
        [](ConfigRecord& configuration, const DacDone& done) {
            dacSetting(configuration, done.dac) = done.value;
        },
        [this](const DacDone& done) { showDac(done); });
    events.recordingFailed = recordingFailedNotice();
    events.silence = silenceNotice();
    return [events](const link::JobScope& job, const LiveOptions& options, LoopRequests& requests) {
        return sampleAccelerations(job, options, requests, events);
    };
}

void AccelerometersWindow::samplingStopped(bool clear) {
    if (dacWriting_) {  // the loop ended before it came to the write
        dacWriting_ = false;
        setDacButtonsEnabled(!dacBroken_);
    }
    if (clear) {
        for (Channel& c : channels_) {
            c.count->clear();
            c.countSlider->setValue(0);
        }
    }
}

// --- DAC writes ---------------------------------------------------------------------------

void AccelerometersWindow::writeDac1() {
    writeDacClicked(1);
}

void AccelerometersWindow::writeDac2() {
    writeDacClicked(2);
}

void AccelerometersWindow::writeDac3() {
    writeDacClicked(3);
}

void AccelerometersWindow::writeDacClicked(int dac) {
    Channel& channel = channels_[static_cast<std::size_t>(dac - 1)];
    takeTyping(channel);
    if (channel.outOfRange) {
        showStatus(QStringLiteral("DAC%1 was not written: %2 is outside %3 to %4. Move the slider "
                                  "or type a value first.")
                       .arg(dac)
                       .arg(channel.settingText->text())
                       .arg(channel.setting->minimum())
                       .arg(channel.setting->maximum()));
        return;
    }
    setDacButtonsEnabled(false);
    const int value = channel.setting->value();
    if (!sampling()) {
        failWithoutPort(dac, value);
        return;
    }
    if (value < 0 || value > 65535) {  // no command byte goes out whose value cannot follow
        context_.errors.report(
            Error(errc::kOverflow, "Overflow: a DAC takes 0 to 65535; nothing was sent."),
            "cmdWriteDAC" + std::to_string(dac) + "_Click", kWindow);
        setDacButtonsEnabled(true);
        return;
    }
    // The loop writes the cells between two replies; the buttons come back when it has.
    dacPosted_ = DacRequest{dac, value};
    dacWriting_ = post(dacPosted_);
    if (!dacWriting_) {
        setDacButtonsEnabled(true);
    }
}

// Without sampling the port is closed: both byte writes fail, the setting is taken all the same,
// and taking the reply fails too. Nothing is sent, and the buttons stay off until the window is
// opened again.
void AccelerometersWindow::failWithoutPort(int dac, int value) {
    const Error closed(errc::kPortNotOpen,
                       "The port is not open: a DAC is written while sampling (File > Sample). "
                       "Nothing was sent.");
    context_.errors.report(closed, "WriteDAC", kWindow);  // the high byte
    context_.errors.report(closed, "WriteDAC", kWindow);  // the low byte
    dacSetting(context_.state.configuration, dac) = value;
    context_.errors.report(closed, "cmdWriteDAC" + std::to_string(dac) + "_Click", kWindow);
    dacBroken_ = true;
}

void AccelerometersWindow::setDacButtonsEnabled(bool enabled) {
    for (Channel& c : channels_) {
        c.write->setEnabled(enabled);
    }
}

void AccelerometersWindow::showDac(const DacDone& done) {
    dacWriting_ = false;
    setDacButtonsEnabled(!dacBroken_);
    // The readings go on as before: without a word the write would pass unnoticed.
    showStatus(QStringLiteral("DAC%1 set to %2.").arg(done.dac).arg(done.value));
}

QString AccelerometersWindow::unfinishedWriteText() const {
    if (!dacWriting_) {
        return {};
    }
    return QStringLiteral(
               "DAC%1 may not have been set to %2: once sampling runs again, click "
               "Write DAC%1 again.")
        .arg(dacPosted_.dac)
        .arg(dacPosted_.value);
}

// --- Readings -----------------------------------------------------------------------------

void AccelerometersWindow::showReadings(const std::vector<AccelerationSample>& samples) {
    if (!sampling()) {
        return;  // readings that arrived as sampling stopped
    }
    const link::AccelerometerReading& newest = samples.back().reading;
    const std::array<double, 3> counts = {static_cast<double>(newest.x),
                                          static_cast<double>(newest.y),
                                          static_cast<double>(newest.z)};
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        channels_[i].count->setText(localeNumber(counts[i]));
        channels_[i].countSlider->setValue(onSlider(*channels_[i].countSlider, counts[i]));
    }
    std::vector<ChartPoint> points;
    points.reserve(samples.size());
    for (const AccelerationSample& s : samples) {
        points.push_back({s.seconds,
                          {static_cast<double>(s.reading.x), static_cast<double>(s.reading.y),
                           static_cast<double>(s.reading.z)}});
    }
    plotReadings(points, samples.back().askedAgain);
}

}  // namespace tilt::live::ui
