#include <gtest/gtest.h>

#include "device/device_memory.h"
#include "support/gui_harness.h"

namespace tilt::logging::ui {
namespace {

using testing::GuiHarness;

class LaunchFromMain : public ::testing::Test {
  protected:
    void connectTo(device::SimOptions options) {
        gui.catalogue.addDevice(options);
        gui.start();
        gui.frame->setDeviceCommandsEnabled(true);
    }
    GuiHarness gui;
};

TEST_F(LaunchFromMain, Yes_StampsErasesStartsLoggingAndLocksTheDeviceCommands) {
    connectTo({});
    gui.messages.answers.push_back(Messages::Answer::Yes);
    QTest::mouseClick(gui.barItem(4), Qt::LeftButton);
    ASSERT_TRUE(gui.waitFor([&] { return gui.messages.shown.size() == 2; }));
    ASSERT_TRUE(gui.idle());
    EXPECT_EQ(gui.texts().back(),
              "Disconnect the serial cable from the Tiltavarometer! The shaker will shake "
              "momentarily indicating that datalogging has begun.");
    EXPECT_EQ(gui.receivedCount(), 21U + 2U) << "the stamp, 'e' and 'X'";
    EXPECT_FALSE(gui.action("mnuTools")->isEnabled());
    EXPECT_FALSE(gui.frame->main().displayMenuEnabled());
    EXPECT_TRUE(gui.action("mnuFile")->isEnabled());
    EXPECT_TRUE(gui.action("mnuHelp")->isEnabled());
    EXPECT_TRUE(gui.barItem(1)->isEnabled());
    for (int item = 2; item <= 4; ++item) {
        EXPECT_FALSE(gui.barItem(item)->isEnabled()) << item;
    }
    EXPECT_FALSE(gui.find<QWidget>("fraErase")->isVisible());
}

TEST_F(LaunchFromMain, PortThatVanished_FailsTheLaunchTimeWrite) {
    gui.start();
    gui.frame->setDeviceCommandsEnabled(true);
    gui.context.state.commPort = 7;  // nothing there
    gui.messages.answers.push_back(Messages::Answer::Yes);
    gui.action("mnuLaunch")->trigger();
    ASSERT_TRUE(gui.waitFor([&] {
        return gui.texts().back() == "Launch Time write to EEPROM failed! Launch did not occur.";
    }));
    ASSERT_TRUE(gui.idle());
    EXPECT_FALSE(gui.action("mnuTools")->isEnabled());
    EXPECT_TRUE(gui.action("mnuFile")->isEnabled());
    EXPECT_TRUE(gui.barItem(1)->isEnabled()) << "so the user can connect again";
    ASSERT_EQ(gui.errors.reports.size(), 1U);
    EXPECT_EQ(gui.errors.reports[0].source, "OpenCommPort");
}

// The adapter pulled out between the erase command and the start of logging: the launch's own
// message, what became of the memory, no Retry/Cancel box, and the way back through Connect.
TEST_F(LaunchFromMain, AdapterPulledOutAfterTheErase_SaysTheMemoryIsErasedAndNotLogging) {
    connectTo({});
    gui.catalogue.line(1)->unplugAfterWrites(21 + 1);  // the stamp, then 'e'
    gui.messages.answers.push_back(Messages::Answer::Yes);
    gui.action("mnuLaunch")->trigger();
    ASSERT_TRUE(gui.waitFor([&] { return gui.messages.shown.size() == 2; }));
    ASSERT_TRUE(gui.idle());
    EXPECT_EQ(gui.texts().back(),
              "Tiltavarometer failed to launch!\r\nThe connection to the logger was lost after "
              "the erase command: its memory is erased, and it is not logging. Check the cable, "
              "connect again, then launch again.");
    EXPECT_TRUE(gui.errors.reports.empty());
    EXPECT_FALSE(gui.action("mnuTools")->isEnabled());
    EXPECT_TRUE(gui.action("mnuFile")->isEnabled());
    EXPECT_TRUE(gui.barItem(1)->isEnabled());
    EXPECT_FALSE(gui.find<QWidget>("fraErase")->isVisible());
}

// Launch while another job holds the device: refused by name, nothing sent, menus unchanged.
TEST_F(LaunchFromMain, WhileAnotherJobRunsOrNoOrNoPort_SendsNothingAndChangesNoMenu) {
    connectTo({});
    ASSERT_TRUE(gui.device.start<int>(&gui.frame->main(), {"Download", "mnuDownload_Click"},
                                      testing::untilStopped, {}));
    EXPECT_FALSE(gui.action("mnuLaunch")->isEnabled()) << "guarded while the job runs";
    QTest::mouseClick(gui.barItem(4), Qt::LeftButton);  // the bar reaches the command anyway
    gui.device.stop();
    ASSERT_TRUE(gui.idle());
    EXPECT_EQ(gui.texts(),
              (std::vector<std::string>{"The device is busy with \"Download\".\r\nWait until it "
                                        "has finished, or stop it, then try \"Launch\" again."}));
    EXPECT_TRUE(gui.received().empty());
    EXPECT_TRUE(gui.action("mnuTools")->isEnabled());
    EXPECT_TRUE(gui.action("mnuLaunch")->isEnabled());
    EXPECT_TRUE(gui.barItem(4)->isEnabled());

    // No, or no port: nothing is sent and no menu changes.
    gui.messages.shown.clear();
    gui.action("mnuLaunch")->trigger();  // answered No
    EXPECT_EQ(gui.texts(), (std::vector<std::string>{
                               "Tiltavarometer will erase all on-board data before launch!\r\n"
                               "Click YES to proceed.\r\nClick NO to cancel this operation."}));
    gui.context.state.commPort = 0;
    gui.action("mnuLaunch")->trigger();
    EXPECT_EQ(gui.texts().back(), "No comm port has been selected!");
    EXPECT_TRUE(gui.received().empty());
    EXPECT_TRUE(gui.action("mnuTools")->isEnabled());
    EXPECT_TRUE(gui.barItem(4)->isEnabled());
}

}  // namespace
}  // namespace tilt::logging::ui
