#include "live/ui/accelerometers_window.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QSignalSpy>
#include <QSlider>

#include <array>

#include "common/error.h"
#include "common/number_text.h"
#include "link/protocol.h"
#include "live/ui/live_window_support.h"

namespace tilt::live::ui {
namespace {

using testing::repliesSent;

link::AccelerometerReading decoded(const std::vector<std::uint8_t>& reply) {
    return *link::decodeAccelerations(reply);
}

class AccelerometersWindow : public testing::LiveGui {
  protected:
    ui::AccelerometersWindow* openAccelerometers() {
        return open<ui::AccelerometersWindow>("Accelerometers");
    }
    QSlider* slider(const char* name) const { return control<QSlider>(name); }
    std::array<bool, 3> dacButtons() const {
        return {button("cmdWriteDAC1")->isEnabled(), button("cmdWriteDAC2")->isEnabled(),
                button("cmdWriteDAC3")->isEnabled()};
    }
};

constexpr std::array<bool, 3> kAllOn = {true, true, true};
constexpr std::array<bool, 3> kAllOff = {false, false, false};

TEST_F(AccelerometersWindow, SamplingShowsTheCounts_AndWriteDacWritesThroughTheLoop) {
    openAccelerometers();
    EXPECT_EQ(window->windowTitle(), "Accelerometers");
    EXPECT_EQ(control<QGroupBox>("fraAcc")->title(), "Accelerometers");
    EXPECT_TRUE(control("fraHiddenSliders")->isHidden());
    EXPECT_TRUE(control("lblNote")->isHidden());
    sampleUntilReadings();
    EXPECT_TRUE(menu("mnuSample")->isChecked());
    EXPECT_FALSE(menu("mnuSave")->isEnabled());
    const std::array<std::pair<const char*, const char*>, 3> shown = {
        {{"txtX", "SlideAccX"}, {"txtY", "SlideAccY"}, {"txtZ", "SlideAccZ"}}};
    for (const auto& [box, countSlider] : shown) {
        EXPECT_EQ(text(box), numberText(slider(countSlider)->value())) << box;
        EXPECT_EQ(slider(countSlider)->maximum(), 1023);
    }
    stopSampling();
    for (const auto& [box, countSlider] : shown) {
        EXPECT_EQ(text(box), "");
        EXPECT_EQ(slider(countSlider)->value(), 0);
    }
    EXPECT_TRUE(menu("mnuSave")->isEnabled());
    EXPECT_TRUE(gui.errors.reports.empty());

    // Each button writes its DAC's cells through the running loop (the bytes and pauses between
    // two replies are the loop's own tests'); the buttons wait for it.
    struct Case {
        const char* setting;
        const char* button;
        int value;
        const double* state;
    };
    const auto& state = gui.context.state;
    window->findChild<QAction*>("keyHiddenSliders")->trigger();
    sampleUntilReadings();
    QSignalSpy written(&gui.context.loggerEvents, &common::ui::LoggerEvents::configurationWritten);
    for (const Case& c : {Case{"AxSlider", "cmdWriteDAC1", 1000, &state.configuration.dac[0]},
                          Case{"AySlider", "cmdWriteDAC2", 513, &state.configuration.dac[1]},
                          Case{"AzSlider", "cmdWriteDAC3", 1024, &state.configuration.dac[2]}}) {
        slider(c.setting)->setValue(c.value);
        QTest::mouseClick(button(c.button), Qt::LeftButton);
        EXPECT_EQ(dacButtons(), kAllOff) << "until the loop has written the cells";
        ASSERT_TRUE(gui.waitFor([&] { return dacButtons() == kAllOn; })) << c.button;
        EXPECT_EQ(*c.state, c.value);
        EXPECT_EQ(status(), "DAC" + std::string(c.button).substr(11) + " set to " +
                                std::to_string(c.value) + ".")
            << "the readings alone would not show it";
    }
    EXPECT_EQ(written.count(), 3) << "each write told to the other windows";
    EXPECT_TRUE(menu("mnuSample")->isChecked()) << "sampling goes on";
    stopSampling();
    EXPECT_TRUE(gui.errors.reports.empty());
}

TEST_F(AccelerometersWindow, DacSliders_FollowTheSettings_MirrorTheirBoxes_AndHideBehindCtrlF6) {
    start();
    gui.context.state.configuration.dac[0] = 100;
    gui.context.state.configuration.dac[1] = 200;
    openAccelerometers();
    EXPECT_EQ(slider("AxSlider")->value(), 100);
    EXPECT_EQ(slider("AySlider")->value(), 200);
    EXPECT_EQ(slider("AzSlider")->value(), 0);
    EXPECT_EQ(text("txtSX"), "100");
    EXPECT_EQ(text("txtSZ"), "0");
    // A setting written elsewhere (the Configuration window) shows on its slider and box.
    gui.context.state.configuration.dac[1] = 333;
    emit gui.context.loggerEvents.configurationWritten();
    EXPECT_EQ(text("txtSY"), "333");
    EXPECT_EQ(slider("AySlider")->value(), 333);
    EXPECT_EQ(text("txtSX"), "100") << "the others as they were";

    slider("AxSlider")->setValue(700);
    EXPECT_EQ(text("txtSX"), "700");
    tilt::testing::typeOver(control<QLineEdit>("txtSY"), "250");
    EXPECT_EQ(slider("AySlider")->value(), 250);
    tilt::testing::typeOver(control<QLineEdit>("txtSZ"), "5000");
    EXPECT_EQ(slider("AzSlider")->value(), slider("AzSlider")->maximum());
    EXPECT_EQ(text("txtSZ"), "5000") << "what is typed stays while typing";
    QTest::keyClick(control("txtSZ"), Qt::Key_Return);
    EXPECT_EQ(text("txtSZ"), "1024") << "one setting shown, the one Write DAC3 sends";
    EXPECT_EQ(status(), "DAC3: 5000 is above the highest value 1024; 1024 will be written.");

    ASSERT_TRUE(gui.activate(window));
    QTest::keyClick(window, Qt::Key_F6, Qt::ControlModifier);
    EXPECT_TRUE(control("fraHiddenSliders")->isVisible());
    EXPECT_TRUE(control("lblNote")->isVisible());
    EXPECT_EQ(control<QGroupBox>("fraHiddenSliders")->title(), "Slider");
    EXPECT_EQ(control<QLabel>("lblNote")->text(),
              "Run Configuration screen first and you'll get the actual DAC values to start off "
              "with......");
    EXPECT_EQ(button("cmdWriteDAC2")->text(), "Write DAC2");
    QTest::keyClick(window, Qt::Key_F6);
    EXPECT_TRUE(control("fraHiddenSliders")->isVisible()) << "only Ctrl+F6 toggles";
    QTest::keyClick(control("txtSX"), Qt::Key_F6, Qt::ControlModifier);
    EXPECT_TRUE(control("fraHiddenSliders")->isHidden()) << "the window sees the key first";
    EXPECT_TRUE(control("lblNote")->isHidden());
}

// A setting the logger holds beyond the slider's range (a blank cell reads 65535) is shown as it
// is and marked; Write DAC sends nothing until the user sets a value the slider can show.
TEST_F(AccelerometersWindow, SettingBeyondTheSlider_IsShownMarked_AndNotSent) {
    start();
    gui.context.state.configuration.dac[0] = 65535;
    openAccelerometers();
    window->findChild<QAction*>("keyHiddenSliders")->trigger();
    EXPECT_EQ(text("txtSX"), "65535");
    EXPECT_EQ(slider("AxSlider")->value(), 1024);
    EXPECT_TRUE(control("txtSX")->toolTip().startsWith("The logger holds 65535 for DAC1"))
        << control("txtSX")->toolTip().toStdString();
    sampleUntilReadings();
    QTest::mouseClick(button("cmdWriteDAC1"), Qt::LeftButton);
    EXPECT_EQ(status(),
              "DAC1 was not written: 65535 is outside 0 to 1024. Move the slider or type a value "
              "first.");
    EXPECT_EQ(dacButtons(), kAllOn);
    tilt::testing::typeOver(control<QLineEdit>("txtSX"), "600");
    QTest::mouseClick(button("cmdWriteDAC1"), Qt::LeftButton);
    ASSERT_TRUE(gui.waitFor([&] { return status() == "DAC1 set to 600."; })) << status();
    EXPECT_EQ(control("txtSX")->toolTip(), "");
    stopSampling();
    EXPECT_EQ(countReceived('p'), 2) << "only the write of 600";
    EXPECT_EQ(gui.context.state.configuration.dac[0], 600);
}

TEST_F(AccelerometersWindow, WriteDac_WithoutSampling_ReportsTheClosedPort_AndSendsNothing) {
    start();
    gui.context.state.configuration.dac[0] = 5;
    openAccelerometers();
    window->findChild<QAction*>("keyHiddenSliders")->trigger();
    slider("AxSlider")->setValue(1000);
    QTest::mouseClick(button("cmdWriteDAC1"), Qt::LeftButton);
    EXPECT_FALSE(gui.errors.reports.empty()) << "the closed port is reported";
    EXPECT_EQ(dacButtons(), kAllOff);
    EXPECT_TRUE(received().empty());

    sampleUntilReadings();
    EXPECT_EQ(dacButtons(), kAllOff) << "until the window is opened again";
    stopSampling();
    EXPECT_EQ(countReceived('p'), 0);
    returnFromWindow("Accelerometers");
    openAccelerometers();
    EXPECT_EQ(dacButtons(), kAllOn);
    EXPECT_EQ(slider("AxSlider")->value(), 1000);
}

TEST_F(AccelerometersWindow, AnOverflowingReply_EndsSampling_AndTheWindowSaysSo) {
    simOptions.faults.garble = 1;  // a byte of every reply flipped: soon a high byte above 127
    openAccelerometers();
    menu("mnuSample")->trigger();
    ASSERT_TRUE(gui.waitFor([&] { return !menu("mnuSample")->isChecked(); }));
    ASSERT_TRUE(gui.idle());
    ASSERT_EQ(gui.errors.reports.size(), 1U);
    EXPECT_EQ(gui.errors.reports[0].source, "MSComm1_OnComm");
    EXPECT_EQ(gui.errors.reports[0].screen, "Accelerometers");
    EXPECT_EQ(gui.errors.reports[0].number, errc::kOverflow);
    EXPECT_NE(status().find("Sampling stopped"), std::string::npos) << status();
    EXPECT_TRUE(menu("mnuSave")->isEnabled());
    EXPECT_TRUE(menu("mnuSample")->isEnabled());
    EXPECT_EQ(text("txtX"), "");
    const auto sent = received().size();
    QTest::qWait(20);
    EXPECT_EQ(received().size(), sent) << "no request after the stall";

    // The reply that stalled it was the first with a high byte of 128 or more: handed on once
    // the reply after it had come, with one more request already on its way.
    const auto replies = repliesSent(received(), simOptions, link::kAccelerationsReplyBytes);
    const auto overflowing = std::find_if(replies.begin(), replies.end(), [](const auto& r) {
        return r[0] >= 128 || r[2] >= 128 || r[4] >= 128;
    });
    ASSERT_NE(overflowing, replies.end());
    EXPECT_LE(replies.end() - overflowing, 3);
}

TEST_F(AccelerometersWindow, Save_RecordsEveryReadingAsCounts) {
    openAccelerometers();
    const std::string file = dataFile("counts.tlg");
    gui.fileDialogs.answers.emplace_back(file);
    menu("mnuSave")->trigger();
    EXPECT_TRUE(menu("mnuSave")->isChecked());
    sampleUntilReadings();
    QTest::qWait(50);
    stopSampling();
    const auto lines = dataLines(file, logging::kAccelerometers);
    const auto requests = static_cast<std::size_t>(countReceived('a'));
    ASSERT_GT(lines.size(), 100U);
    EXPECT_GE(lines.size() + 1, requests);
    EXPECT_LE(lines.size(), requests);
    const auto replies = repliesSent(received(), simOptions, link::kAccelerationsReplyBytes);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const auto r = decoded(replies[k]);
        const std::string time = lines[k].substr(0, lines[k].find(','));
        ASSERT_EQ(lines[k],
                  time + "," + numberText(r.x) + "," + numberText(r.y) + "," + numberText(r.z))
            << "line " << k;
    }
}

TEST_F(AccelerometersWindow, Picture_SamplesTheSimulatedLoggerASecond_WithTheDacSlidersShown) {
    start();
    openAccelerometers()->prepareForPicture();
    EXPECT_FALSE(gui.device.busy());
    EXPECT_FALSE(menu("mnuSample")->isChecked());
    EXPECT_TRUE(control("fraHiddenSliders")->isVisible());
    EXPECT_NE(text("txtX"), "") << "the picture shows readings";
    EXPECT_GT(control<QLabel>("lblRate")->text().size(), 0);
    EXPECT_GT(countReceived('a'), 100);
    EXPECT_TRUE(gui.messages.shown.empty()) << "no dialog waits for a click";
    EXPECT_TRUE(gui.errors.reports.empty());
}

}  // namespace
}  // namespace tilt::live::ui
