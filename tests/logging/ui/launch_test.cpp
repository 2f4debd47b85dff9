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

// Yes launches; a port that vanished fails the launch-time write; an adapter pulled out between
// the erase command and the start of logging says what became of the memory, with no
// Retry/Cancel box. (The bytes, and the messages' wording, are the core launch's to check.) Each
// leaves the device commands locked and the way back through Connect open.
TEST_F(LaunchFromMain, YesOrAFailedLaunch_SaysSoAndLocksTheDeviceCommands) {
    struct Case {
        int commPort;             // 0: the logger's
        std::size_t unplugAfter;  // writes; 0: never
        const char* said;
        const char* reportedBy;  // nullptr: no report
    };
    // Before the question, the check of what the logger holds: ten cells ('r' and an address
    // each), page 0 and page 1 ('d' and two bytes each).
    constexpr std::size_t kCheckBytes = 10 * 2 + 2 * 3;
    const Case cases[] = {
        {0, 0,
         "Disconnect the serial cable from the Tiltavarometer! The shaker will shake "
         "momentarily indicating that datalogging has begun.",
         nullptr},
        {0, kCheckBytes + 21 + 1,  // the check, the stamp, then 'e'
         "Tiltavarometer failed to launch!\r\nThe connection to the logger was lost after the "
         "erase command: its memory is erased, and it is not logging. Check the cable, connect "
         "again, then launch again.",
         nullptr},
    };
    for (const Case& c : cases) {
        GuiHarness other;
        other.catalogue.addDevice({});
        other.start();
        other.frame->setDeviceCommandsEnabled(true);
        if (c.commPort != 0) {
            other.context.state.commPort = static_cast<std::int16_t>(c.commPort);
        }
        if (c.unplugAfter != 0) {
            other.catalogue.line(1)->unplugAfterWrites(c.unplugAfter);
        }
        other.messages.answers.push_back(Messages::Answer::Yes);
        QTest::mouseClick(other.barItem(4), Qt::LeftButton);
        ASSERT_TRUE(other.waitFor([&] { return other.messages.shown.size() == 2; })) << c.said;
        ASSERT_TRUE(other.idle());
        EXPECT_EQ(other.texts().back(), c.said);
        ASSERT_EQ(other.errors.reports.size(), c.reportedBy ? 1U : 0U) << c.said;
        if (c.reportedBy) {
            EXPECT_EQ(other.errors.reports[0].source, c.reportedBy);
        }
        EXPECT_FALSE(other.action("mnuTools")->isEnabled()) << c.said;
        if (c.reportedBy == nullptr && c.unplugAfter == 0) {
            EXPECT_FALSE(other.frame->main().displayMenuEnabled()) << "launched";
        }
        EXPECT_TRUE(other.action("mnuFile")->isEnabled());
        EXPECT_TRUE(other.action("mnuHelp")->isEnabled());
        EXPECT_TRUE(other.barItem(1)->isEnabled()) << "so the user can connect again";
        for (int item = 2; item <= 4; ++item) {
            EXPECT_FALSE(other.barItem(item)->isEnabled()) << item;
        }
        EXPECT_FALSE(other.find<QWidget>("fraErase")->isVisible());
    }
}

// A port that vanished fails the check before the question: the open's report, nothing asked,
// nothing launched, and the menus as they were.
TEST_F(LaunchFromMain, VanishedPort_FailsTheCheckWithOneReportAndAsksNothing) {
    connectTo({});
    gui.context.state.commPort = 7;
    QTest::mouseClick(gui.barItem(4), Qt::LeftButton);
    ASSERT_TRUE(gui.waitFor([&] { return !gui.errors.reports.empty(); }));
    ASSERT_TRUE(gui.idle());
    EXPECT_EQ(gui.errors.reports.size(), 1U);
    EXPECT_EQ(gui.errors.reports[0].source, "OpenCommPort");
    EXPECT_TRUE(gui.texts().empty()) << gui.texts().front();
    EXPECT_TRUE(gui.action("mnuTools")->isEnabled());
    EXPECT_TRUE(gui.barItem(4)->isEnabled());
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

    // No (after the check's queries of an empty memory), or no port: no launch, and no menu
    // changes.
    gui.messages.shown.clear();
    gui.action("mnuLaunch")->trigger();  // answered No
    ASSERT_TRUE(gui.waitFor([&] { return !gui.messages.shown.empty(); }));
    ASSERT_TRUE(gui.idle());
    EXPECT_EQ(gui.texts(), (std::vector<std::string>{
                               "Tiltavarometer will erase all on-board data before launch!\r\n"
                               "Click YES to proceed.\r\nClick NO to cancel this operation."}));
    EXPECT_EQ(gui.messages.shown[0].buttons, Messages::Buttons::YesNo) << "nothing at stake";
    EXPECT_EQ(gui.commands(), std::string(10, 'r') + "dd");
    const std::size_t sent = gui.receivedCount();
    gui.context.state.commPort = 0;
    gui.action("mnuLaunch")->trigger();
    EXPECT_EQ(gui.texts().back(), "No comm port has been selected!");
    EXPECT_EQ(gui.receivedCount(), sent);
    EXPECT_TRUE(gui.action("mnuTools")->isEnabled());
    EXPECT_TRUE(gui.barItem(4)->isEnabled());
}

}  // namespace
}  // namespace tilt::logging::ui
