#include <gtest/gtest.h>

#include <QLabel>
#include <QSpinBox>

#include "device/device_memory.h"
#include "link/onboard_parameters.h"
#include "support/gui_harness.h"

namespace tilt::link::ui {
namespace {

using testing::GuiHarness;

// Tools, Display and the bar's device items, each enabled (true) or disabled (false).
bool unlocked(GuiHarness& gui, bool on = true) {
    return gui.action("mnuTools")->isEnabled() == on &&
           gui.frame->main().displayMenuEnabled() == on && gui.barItem(2)->isEnabled() == on &&
           gui.barItem(3)->isEnabled() == on && gui.barItem(4)->isEnabled() == on;
}

QSpinBox* portField(GuiHarness& gui) {
    return gui.find<QSpinBox>("NumEditCommPort");
}

// Opens Connect from the navigation bar with `port` in the number field.
void openConnect(GuiHarness& gui, int port) {
    QTest::mouseClick(gui.barItem(1), Qt::LeftButton);
    ASSERT_NE(gui.openWindow("Connect"), nullptr);
    portField(gui)->setValue(port);
}

bool connectClosed(GuiHarness& gui) {
    return gui.waitFor([&] { return gui.openWindow("Connect") == nullptr; });
}

TEST(ConnectWindow, OkOnTheDevice_SavesThePortReadsTheParametersAndUnlocks) {
    GuiHarness gui;
    gui.catalogue.addSilentPort("ttyS0");
    const int port = gui.catalogue.addDevice({}, "ttyUSB0");
    gui.catalogue.line(port)->withDevice([](device::SimDevice* d) {
        d->memory().setWord(device::cell::kTareX, 0x8000);
        d->memory().setWord(device::cell::kTareY, 0x4000);
        d->memory().eeprom[device::cell::kUpdateTimeIncrement] = 7;
        return 0;
    });
    gui.start();
    openConnect(gui, port);
    EXPECT_EQ(gui.find<QLabel>("lblPortName")->text(), "ttyUSB0 \u2014 Simulated Tiltavarometer");

    gui.click("cmdOK");
    EXPECT_EQ(gui.settings.saved, "2");
    ASSERT_TRUE(connectClosed(gui));
    EXPECT_TRUE(gui.messages.shown.empty()) << gui.texts().front();
    EXPECT_EQ(gui.context.state.commPort, 2);
    EXPECT_EQ(gui.context.state.configuration.tareX, -180.0);
    EXPECT_EQ(gui.context.state.configuration.tareY, 45.0);
    EXPECT_EQ(gui.context.state.configuration.updateTimeIncrement, 7);
    EXPECT_TRUE(unlocked(gui));
    EXPECT_TRUE(gui.errors.reports.empty());
}

// After a good connect on port 1: OK on a silent port tells the user and locks the device
// commands again (the port saved before the check); OK on no port saves 0 and leaves the menus.
TEST(ConnectWindow, OkOnASilentPortOrNoPort_TellsTheUser) {
    struct Case {
        int port;
        const char* said;
        bool unlockedAfter;
    };
    for (const Case& c : {Case{2, kOnBoardFailureMessage.data(), false},
                          Case{0, "No Comm port has been selected!", true}}) {
        GuiHarness other;
        other.catalogue.addDevice({});
        other.catalogue.addSilentPort("ttyS1");
        other.start();
        other.frame->setDeviceCommandsEnabled(true);
        openConnect(other, c.port);
        other.click("cmdOK");
        ASSERT_TRUE(connectClosed(other));
        EXPECT_EQ(other.texts(), std::vector<std::string>{c.said});
        EXPECT_EQ(other.settings.saved, std::to_string(c.port));
        EXPECT_EQ(other.context.state.commPort, c.port);
        EXPECT_TRUE(unlocked(other, c.unlockedAfter)) << c.port;
    }
}

// Auto Detect shows the port that answered in the field without choosing it, or says none did
// and keeps the field.
TEST(ConnectWindow, AutoDetect_ReportsTheAnsweringPortWithoutChoosingIt) {
    for (const bool answering : {true, false}) {
        GuiHarness gui;
        gui.catalogue.addSilentPort("ttyS0");
        gui.catalogue.addSilentPort("ttyS1");
        if (answering) {
            gui.catalogue.addDevice({}, "ttyUSB0");  // which of several is chosen is the search's
        }
        gui.start();
        openConnect(gui, 2);
        gui.click("cmdAutoDetect");
        EXPECT_FALSE(gui.find<QWidget>("cmdOK")->isEnabled()) << "buttons wait for the search";
        ASSERT_TRUE(gui.idle());
        EXPECT_EQ(gui.texts(),
                  std::vector<std::string>{answering ? "Tiltavarometer found on Comm 3!"
                                                     : "Tiltavarometer not found on Comm 1-16!"});
        EXPECT_EQ(portField(gui)->value(), answering ? 3 : 2);
        EXPECT_EQ(gui.context.state.commPort, 1) << "only OK chooses the port";
        EXPECT_EQ(gui.settings.saved, "1");
        EXPECT_TRUE(gui.find<QWidget>("cmdOK")->isEnabled());
        EXPECT_TRUE(gui.find<QWidget>("cmdAutoDetect")->isEnabled());
        EXPECT_NE(gui.openWindow("Connect"), nullptr);
    }
}

TEST(ConnectWindowInRealTime, ClosingDuringAutoDetect_StopsTheSearchQuietly) {
    // The probes of silent ports wait half a second each; closing the window ends them at once.
    GuiHarness gui({.savedPort = "1", .realTime = true});
    gui.catalogue.addSilentPort("ttyS0");
    gui.catalogue.addSilentPort("ttyS1");
    gui.start();
    QTest::mouseClick(gui.barItem(1), Qt::LeftButton);
    gui.click("cmdAutoDetect");
    ASSERT_TRUE(gui.device.busy());
    gui.openWindow("Connect")->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !gui.device.busy(); }, 400));
    QTest::qWait(50);
    EXPECT_TRUE(gui.messages.shown.empty());
    EXPECT_TRUE(gui.errors.reports.empty());
}

TEST(ConnectWindowInRealTime, EscapeDuringTheRead_LocksTheMenusForTheUnreadPort) {
    testing::GuiHarness gui({.savedPort = "1", .realTime = true});
    gui.catalogue.addDevice({});
    gui.catalogue.addDevice({}, "ttyUSB1");
    gui.start();
    gui.frame->setDeviceCommandsEnabled(true);  // as after a good connect on port 1
    openConnect(gui, 2);
    gui.click("cmdOK");
    ASSERT_TRUE(gui.device.busy());
    QTest::keyClick(gui.openWindow("Connect"), Qt::Key_Escape);
    EXPECT_EQ(gui.openWindow("Connect"), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !gui.device.busy(); }, 400));
    EXPECT_EQ(gui.context.state.commPort, 2);
    EXPECT_EQ(gui.settings.saved, "2");
    EXPECT_FALSE(gui.action("mnuTools")->isEnabled());
    EXPECT_FALSE(gui.barItem(2)->isEnabled());
    QTest::qWait(50);
    EXPECT_TRUE(gui.messages.shown.empty());
}

TEST(ConnectWindowBusyDevice, AutoDetectWhileAnotherOperationRuns_IsRefusedAndTheButtonsComeBack) {
    testing::GuiHarness gui;
    gui.catalogue.addDevice({});
    gui.start();
    QObject other;
    ASSERT_TRUE(gui.device.start<int>(&other, {"Download", "mnuDownload_Click"},
                                      testing::untilStopped, {}));
    QTest::mouseClick(gui.barItem(1), Qt::LeftButton);
    gui.click("cmdAutoDetect");
    EXPECT_EQ(gui.messages.shown.size(), 1U) << "refused (how, is the device thread's test)";
    EXPECT_TRUE(gui.find<QWidget>("cmdAutoDetect")->isEnabled());
    EXPECT_TRUE(gui.find<QWidget>("cmdOK")->isEnabled());
    gui.device.stop();
    EXPECT_TRUE(gui.idle());
}

}  // namespace
}  // namespace tilt::link::ui
