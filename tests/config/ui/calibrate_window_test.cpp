#include "config/ui/calibrate_window.h"

#include <gtest/gtest.h>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>

#include <algorithm>
#include <vector>

#include "common/error.h"
#include "common/number_text.h"
#include "config/ui/calibration_coverage.h"
#include "device/sim_device.h"
#include "link/protocol.h"
#include "live/live_sampling.h"
#include "live/ui/live_window_support.h"
#include "support/gui_harness.h"

namespace tilt::config::ui {
namespace {

using device::ReceivedByte;
using testing::GuiHarness;

constexpr std::array<const char*, 3> kAxes = {"X", "Y", "Z"};

// The readings the simulated device sent for the requests it received.
std::vector<link::AccelerometerReading> readingsSent(const std::vector<ReceivedByte>& log) {
    std::vector<link::AccelerometerReading> readings;
    for (const auto& reply :
         live::ui::testing::repliesSent(log, {}, link::kAccelerationsReplyBytes)) {
        readings.push_back(*link::decodeAccelerations(reply));
    }
    return readings;
}

// The fifteen boxes as a tracker would fill them: current, min, max, offset, gain per axis.
std::map<std::string, std::string> boxesOf(const CalibrationTracker& t) {
    std::map<std::string, std::string> boxes;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::string axis = kAxes[i];
        const AxisCalibration& a = t.axes[i];
        boxes["txt" + axis] = numberText(a.current);
        boxes["txtMin" + axis] = numberText(a.min);
        boxes["txtMax" + axis] = numberText(a.max);
        boxes["txtOffset" + axis] = numberText(a.offset);
        boxes["txtGain" + axis] = numberText(a.gain);
    }
    return boxes;
}

class CalibrateWindow : public ::testing::Test {
  protected:
    explicit CalibrateWindow(testing::GuiOptions options = {}) : gui(std::move(options)) {}

    void open() {
        gui.catalogue.addDevice({});
        gui.start();
        gui.action("mnuCalibrate")->trigger();
        window = dynamic_cast<ui::CalibrateWindow*>(gui.openWindow("Calibrate"));
        ASSERT_NE(window, nullptr);
    }
    QAction* menu(const char* name) { return window->findChild<QAction*>(name); }
    QLineEdit* box(const std::string& name) {
        return window->findChild<QLineEdit*>(QString::fromStdString(name));
    }
    std::string text(const std::string& name) { return box(name)->text().toStdString(); }
    std::map<std::string, std::string> boxes() {
        std::map<std::string, std::string> all;
        for (const QLineEdit* b : window->findChildren<QLineEdit*>()) {
            all[b->objectName().toStdString()] = b->text().toStdString();
        }
        return all;
    }
    QString caption() { return window->findChild<QGroupBox*>("fraProgress")->title(); }
    void sampleUntilReadings() {
        menu("mnuSample")->trigger();
        ASSERT_TRUE(gui.waitFor([&] { return !text("txtX").empty(); }));
    }
    void stopSampling() {
        menu("mnuSample")->trigger();
        ASSERT_TRUE(gui.idle());
    }

    GuiHarness gui;
    ui::CalibrateWindow* window = nullptr;
};

// The shaker's write (its cell, then nought), and the polls after it, are the core sampling's to
// check; the write reaches the shared record and the other windows.
TEST_F(CalibrateWindow, Start_WarnsClearsTheGridAndSwitchesTheShakerOff) {
    open();
    gui.context.state.configuration.shaker = Switch::On;
    QSignalSpy written(&gui.context.loggerEvents, &common::ui::LoggerEvents::configurationWritten);
    menu("mnuSample")->trigger();
    EXPECT_EQ(gui.texts(),
              std::vector<std::string>{"Shaker will be disabled prior to calibration start!"});
    EXPECT_TRUE(menu("mnuSample")->isChecked());
    EXPECT_FALSE(menu("mnuWrite")->isEnabled());
    for (const char* axis : kAxes) {
        const std::string a = axis;
        EXPECT_EQ(text("txt" + a), "");
        EXPECT_EQ(text("txtMin" + a), "1024");
        EXPECT_EQ(text("txtMax" + a), "0");
        EXPECT_EQ(text("txtOffset" + a), "");
        EXPECT_EQ(text("txtGain" + a), "");
    }
    ASSERT_TRUE(gui.waitFor([&] { return !text("txtX").empty(); }));
    EXPECT_EQ(gui.context.state.configuration.shaker, Switch::Off);
    EXPECT_EQ(written.count(), 1);
    stopSampling();
    EXPECT_FALSE(menu("mnuSample")->isChecked());
    EXPECT_TRUE(menu("mnuWrite")->isEnabled());
    EXPECT_TRUE(gui.errors.reports.empty());
}

TEST_F(CalibrateWindow, EveryReadingCounts_WhileTheWindowIsShownTheNewestOnceAFrame) {
    open();
    int repaints = 0;
    QObject::connect(box("txtX"), &QLineEdit::textChanged, [&] { ++repaints; });
    QElapsedTimer elapsed;
    elapsed.start();
    sampleUntilReadings();
    // Many virtual seconds of turning, however fast this build runs them.
    const auto turningFrom = gui.clock.now();
    ASSERT_TRUE(gui.waitFor([&] { return gui.clock.now() - turningFrom >= link::ms(30000); }));
    const qint64 sampledMs = elapsed.elapsed();
    stopSampling();

    const auto readings = readingsSent(gui.received());
    ASSERT_GT(readings.size(), 1000U);
    EXPECT_LE(repaints, sampledMs / 16 + 3) << readings.size() << " readings";
    // Every reply counts, but for the last few: a reply is handed on once the one after it has
    // come, another may be on its way, and the window stops taking them at the stop.
    std::vector<CalibrationTracker> upTo(5);
    for (std::size_t left = 0; left < upTo.size(); ++left) {
        for (std::size_t i = 0; i + left < readings.size(); ++i) {
            upTo[left].add(readings[i]);
        }
    }
    const auto match = std::find_if(upTo.begin(), upTo.end(), [&](const CalibrationTracker& t) {
        return boxes() == boxesOf(t);
    });
    ASSERT_NE(match, upTo.end()) << "the boxes show no run of the replies: "
                                 << ::testing::PrintToString(boxes());
    EXPECT_GT(upTo[0].axes[0].gain, 100) << "the device was turned";

    const auto& a = match->axes;
    EXPECT_EQ(window->calibrationValues(), (CalibrationValues{a[0].offset, a[1].offset, a[2].offset,
                                                              a[0].gain, a[1].gain, a[2].gain}));
    for (std::size_t i = 0; i < 3; ++i) {
        const auto* bar = window->findChild<CalibrationCoverage*>(QStringLiteral("coverage") +
                                                                  QString::fromLatin1(kAxes[i]));
        ASSERT_TRUE(bar->span().has_value());
        EXPECT_EQ(bar->span()->min, a[i].min);
        EXPECT_EQ(bar->span()->max, a[i].max);
        EXPECT_EQ(bar->span()->current, a[i].current);
    }
}

// Typed before the stop, the Offset and Gain boxes are what Write sends (how the values become
// bytes, and their ticks, are the core write's to check), and what the shared record then holds.
TEST_F(CalibrateWindow, TypedValuesAreWritten_APulledAdapterOrSilenceIsToldBelowTheGrid) {
    open();
    sampleUntilReadings();
    const std::vector<std::pair<const char*, const char*>> typed = {
        {"txtOffsetX", "511.5"}, {"txtOffsetY", "323"},         {"txtOffsetZ", "-5"},
        {"txtGainX", "2.5"},     {"txtGainY", "300.7 by hand"}, {"txtGainZ", "none"}};
    for (const auto& [name, value] : typed) {
        tilt::testing::typeOver(box(name), value);
    }
    QTest::qWait(100);  // frames go by
    for (const auto& [name, value] : typed) {
        EXPECT_EQ(text(name), value) << "a typed box is left as typed";
    }
    stopSampling();
    EXPECT_EQ(window->calibrationValues(), (CalibrationValues{511.5, 323, -5, 2.5, 300.7, 0}));

    std::vector<std::pair<int, QString>> progress;
    QObject::connect(window->findChild<QProgressBar*>("PBar"), &QProgressBar::valueChanged,
                     [&](int v) { progress.emplace_back(v, caption()); });
    gui.context.state.configuration.gainZ = 99;
    QSignalSpy written(&gui.context.loggerEvents, &common::ui::LoggerEvents::configurationWritten);
    menu("mnuWrite")->trigger();
    EXPECT_EQ(window->cursor().shape(), Qt::WaitCursor);
    EXPECT_FALSE(menu("mnuSample")->isEnabled());
    ASSERT_TRUE(gui.waitForMessage("Write completed!"));

    std::vector<std::pair<int, QString>> expected;
    for (int index = 3; index <= 13; ++index) {
        expected.emplace_back(index, QStringLiteral("Writing %1").arg(index));
    }
    expected.emplace_back(0, QStringLiteral("Writing Progress"));
    EXPECT_EQ(progress, expected);
    EXPECT_EQ(written.count(), 1);
    EXPECT_EQ(gui.context.state.configuration.offsetX, 512);
    EXPECT_EQ(gui.context.state.configuration.gainZ, 0);
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    EXPECT_TRUE(menu("mnuSample")->isEnabled());

    // The next run shows its own results again.
    sampleUntilReadings();
    EXPECT_TRUE(gui.waitFor([&] { return !text("txtGainZ").empty(); }));
    stopSampling();

    // After the report of a pulled adapter, or while the logger is silent, the window says what is
    // going on below the grid; no second box.
    gui.messages.shown.clear();
    auto* note = window->findChild<QLabel*>("lblNote");
    sampleUntilReadings();
    gui.catalogue.line(1)->withDevice([&](device::SimDevice* d) {
        d->silenceBetween(gui.clock.now(), gui.clock.now() + std::chrono::hours(24 * 365));
    });
    const QString silent = QString::fromStdString(live::silentDeviceText(true)) +
                           QStringLiteral(" Sampling goes on until you choose File > Sample.");
    ASSERT_TRUE(gui.waitFor([&] { return note->text() == silent; })) << note->text().toStdString();
    EXPECT_TRUE(menu("mnuSample")->isChecked());

    gui.catalogue.line(1)->unplug();
    ASSERT_TRUE(gui.waitFor([&] { return !menu("mnuSample")->isChecked(); }));
    ASSERT_TRUE(gui.idle());
    ASSERT_EQ(gui.errors.reports.size(), 1U);
    EXPECT_EQ(gui.errors.reports[0].number, errc::kPortLost);
    EXPECT_EQ(gui.texts(),
              std::vector<std::string>{"Shaker will be disabled prior to calibration start!"});
    EXPECT_EQ(note->text().toStdString(),
              live::samplingEndText(live::LiveEnd::PortFailed, "choose File > Sample again") +
                  " The boxes keep the readings until then; File > Write sends their offsets "
                  "and gains.");
    EXPECT_NE(text("txtX"), "") << "the readings are kept";
    EXPECT_TRUE(menu("mnuWrite")->isEnabled());
}

TEST_F(CalibrateWindow, WriteWithoutSampling_WritesZeros_APortThatCannotOpenIsReported) {
    open();
    EXPECT_EQ(caption(), "Write Progress");
    EXPECT_EQ(window->findChild<QProgressBar*>("PBar")->maximum(), 14);
    menu("mnuWrite")->trigger();
    ASSERT_TRUE(gui.waitForMessage("Write completed!"));
    EXPECT_EQ(gui.texts(), std::vector<std::string>{"Write completed!"});
    EXPECT_EQ(gui.received().size(), 3 * 12U) << "nothing but the twelve cells";
    for (int address = 2; address <= 13; ++address) {
        EXPECT_EQ(gui.cell(address), 0) << address;
    }

    // A port that cannot open is reported, and the window is idle again.
    gui.context.state.commPort = 7;
    menu("mnuSample")->trigger();
    ASSERT_TRUE(gui.idle());
    ASSERT_FALSE(gui.errors.reports.empty());
    EXPECT_EQ(gui.errors.reports[0].source, "OpenCommPort");
    EXPECT_EQ(gui.errors.reports[0].screen, "Calibrate");
    EXPECT_FALSE(menu("mnuSample")->isChecked());
    EXPECT_TRUE(menu("mnuWrite")->isEnabled());
}

// Which values do not fit is the core write's to check.
TEST_F(CalibrateWindow, AValueThatDoesNotFit_IsRefusedNamingItsField_ReturnStopsSampling) {
    open();
    menu("mnuSample")->trigger();
    tilt::testing::typeOver(box("txtGainY"), "70000");
    stopSampling();
    const std::size_t sent = gui.received().size();
    menu("mnuWrite")->trigger();
    ASSERT_TRUE(gui.idle());
    ASSERT_EQ(gui.texts().size(), 2U);
    EXPECT_NE(gui.texts()[1].find("\"Y Gain\""), std::string::npos) << gui.texts()[1];
    EXPECT_EQ(gui.received().size(), sent);
    EXPECT_TRUE(menu("mnuSample")->isEnabled());
    EXPECT_EQ(window->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(caption(), "Write Progress");

    // Return stops sampling, and the window opens afresh next time.
    sampleUntilReadings();
    menu("mnuReturn")->trigger();
    EXPECT_EQ(gui.openWindow("Calibrate"), nullptr);
    ASSERT_TRUE(gui.idle());
    const std::size_t atReturn = gui.received().size();
    QTest::qWait(50);
    EXPECT_EQ(gui.received().size(), atReturn) << "the polling goes on";

    gui.action("mnuCalibrate")->trigger();
    window = dynamic_cast<ui::CalibrateWindow*>(gui.openWindow("Calibrate"));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(text("txtX"), "");
    EXPECT_EQ(window->calibrationValues(), CalibrationValues{});
}

class CalibrateWindowRealTime : public CalibrateWindow {
  protected:
    CalibrateWindowRealTime() : CalibrateWindow({.savedPort = "1", .realTime = true}) {}
};

TEST_F(CalibrateWindowRealTime, ClosingDuringAWrite_StopsIt_TheRecordHoldsWhatWasWritten) {
    open();
    gui.context.state.configuration.offsetX = 99;
    gui.context.state.configuration.gainZ = 99;
    menu("mnuWrite")->trigger();
    ASSERT_TRUE(gui.waitFor([&] { return caption() == "Writing 4"; }));
    window->close();
    ASSERT_TRUE(gui.idle());
    EXPECT_TRUE(gui.texts().empty()) << "no Write completed!";
    ASSERT_TRUE(gui.waitFor([&] { return gui.context.state.configuration.offsetX == 0; }))
        << "written before the window went: the record holds it";
    EXPECT_EQ(gui.context.state.configuration.gainZ, 99) << "never written";
}

TEST_F(CalibrateWindowRealTime, AdapterPulledOutDuringAWrite_SaysWhichCellsWentOut) {
    open();
    menu("mnuWrite")->trigger();
    ASSERT_TRUE(gui.waitFor([&] { return caption() == "Writing 5"; }));
    gui.catalogue.line(1)->unplug();
    ASSERT_TRUE(gui.idle());
    ASSERT_EQ(gui.errors.reports.size(), 1U);
    EXPECT_EQ(gui.errors.reports[0].source, "TimerWrite_Timer");
    EXPECT_TRUE(gui.texts().empty()) << "no second box";
    const std::string said = window->findChild<QLabel*>("lblNote")->text().toStdString();
    for (const char* part : {"The write did not complete (", "Written: X Offset",
                             "Not written: ", "Z Gain.", "To complete it, choose File > Write."}) {
        EXPECT_NE(said.find(part), std::string::npos) << part << "\n" << said;
    }
    EXPECT_TRUE(menu("mnuSample")->isEnabled());
}

}  // namespace
}  // namespace tilt::config::ui
