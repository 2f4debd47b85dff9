#include <gtest/gtest.h>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QTemporaryDir>

#include "frame/single_instance.h"
#include "support/fake_messages.h"
#include "support/gui_harness.h"

namespace tilt::frame {
namespace {

using testing::FakeMessages;
using testing::GuiHarness;

TEST(MainWindow, StartsWithTheMenuTreeAndNavigationItemsOfANewSession) {
    GuiHarness gui;
    gui.start();
    EXPECT_EQ(gui.frame->windowTitle(), "Veltrimonic Tiltavarometer");

    struct Entry {
        const char* name;
        const char* caption;
        bool visible;
        bool enabled;
    };
    const Entry entries[] = {
        {"mnuFile", "&File", true, true},
        {"mnuConnect", "&Connect", true, true},
        {"mnuExit", "E&xit", true, true},
        {"mnuTools", "&Tools", true, false},
        {"mnuDownloadErase", "&Download-View Data", true, true},
        {"mnuConfiguration", "&Configure Device", true, true},
        {"mnuLaunch", "&Launch", true, true},
        {"mnuGraph", "&Graph", false, true},
        {"mnuGBP", "Graph &Button Pushes", false, true},
        {"mnuCalibrate", "Cali&brate", false, true},
        {"mnuDisplay", "&Display", false, false},
        {"mnuAcc", "A&ccelerometers", true, true},
        {"mnuAngles", "&Angles", true, true},
        {"mnuRemote", "&Remote Session", false, true},
        {"mnuHelp", "&Help", true, true},
        {"mnuHelpHelp", "&Help", true, true},
        {"mnuAbout", "&About", true, true},
    };
    for (const Entry& e : entries) {
        QAction* action = gui.action(e.name);
        ASSERT_NE(action, nullptr) << e.name;
        EXPECT_EQ(action->text().toStdString(), e.caption) << e.name;
        EXPECT_EQ(action->isVisible(), e.visible) << e.name;
        if (e.visible) {  // Qt reports every hidden entry as disabled
            EXPECT_EQ(action->isEnabled(), e.enabled) << e.name;
        }
    }
    // The frame shows the main window's menus, in order.
    QStringList bar;
    for (QAction* a : gui.frame->menuBar()->actions()) {
        bar << a->objectName();
    }
    EXPECT_EQ(bar, QStringList({"mnuFile", "mnuTools", "mnuDisplay", "mnuHelp"}));
    EXPECT_FALSE(gui.frame->main().displayMenuEnabled());

    const char* items[] = {"Connect", "Download-View Data", "Configure Device", "Launch"};
    for (int i = 1; i <= 4; ++i) {
        ASSERT_NE(gui.barItem(i), nullptr);
        EXPECT_EQ(gui.barItem(i)->text(), items[i - 1]);
        EXPECT_EQ(gui.barItem(i)->isEnabled(), i == 1) << items[i - 1];
    }
    EXPECT_EQ(gui.context.state.commPort, 1);
    EXPECT_EQ(gui.context.state.appVersion, "3.2.4");

    // A disabled item does nothing when clicked.
    QTest::mouseClick(gui.barItem(2), Qt::LeftButton);
    QTest::mouseClick(gui.barItem(3), Qt::LeftButton);
    EXPECT_TRUE(gui.messages.shown.empty());
    QTest::mouseClick(gui.barItem(1), Qt::LeftButton);
    ASSERT_NE(gui.openWindow("Connect"), nullptr) << "the Connect item opens Connect";
    EXPECT_TRUE(gui.openWindow("Connect")->isModal());
}

TEST(MainWindow, PortGuard_RefusesDeviceWindowsWhileNoPortIsSelected_TechnicianSeesDisplay) {
    GuiHarness gui({.savedPort = "none"});
    gui.context.technician = true;
    gui.start();
    ASSERT_EQ(gui.context.state.commPort, 0);
    EXPECT_TRUE(gui.action("mnuDisplay")->isVisible()) << "shown to a technician, still disabled";
    EXPECT_FALSE(gui.action("mnuDisplay")->isEnabled());
    gui.frame->setDeviceCommandsEnabled(true);

    gui.action("mnuConfiguration")->trigger();
    gui.action("mnuDownloadErase")->trigger();
    QTest::mouseClick(gui.barItem(3), Qt::LeftButton);
    EXPECT_EQ(gui.texts(), std::vector<std::string>(3, "No comm port has been selected!"));

    // Connect and Help do not need a port.
    gui.messages.shown.clear();
    gui.action("mnuHelpHelp")->trigger();
    EXPECT_EQ(gui.texts(),
              std::vector<std::string>{"Please refer to the Software Help Manual located on the "
                                       "distribution media!"});
    gui.action("mnuConnect")->trigger();
    EXPECT_NE(gui.openWindow("Connect"), nullptr);
}

// What the status line says of the logger follows the program's own writes to it. (That the
// Configuration window puts its write into the record and tells is that window's test.)
// The navigation bar from the keyboard, as any list: Tab reaches it, the arrows pass over
// disabled items, Return chooses.
TEST(MainWindow, StatusLineFollowsAWrite_NavigationBarAndDisplayEntriesOpenTheirWindows) {
    GuiHarness gui;
    gui.catalogue.addDevice({});
    gui.start();
    gui.action("mnuConnect")->trigger();
    gui.click("cmdOK");
    ASSERT_TRUE(gui.idle());
    auto* status = gui.find<QLabel>("lblStatus");
    ASSERT_TRUE(status->text().contains("update time increment 3")) << status->text().toStdString();
    gui.context.state.configuration.updateTimeIncrement = 7;
    emit gui.context.loggerEvents.configurationWritten();
    EXPECT_TRUE(status->text().contains("update time increment 7")) << status->text().toStdString();

    gui.frame->setDeviceCommandsEnabled(true);
    gui.frame->setNavigationItemsEnabled(3, 3, false);
    ASSERT_TRUE(gui.activate(gui.frame.get()));
    gui.barItem(1)->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(gui.barItem(1)->hasFocus());
    EXPECT_NE(gui.barItem(1)->focusPolicy() & Qt::TabFocus, 0);
    QTest::keyClick(gui.barItem(1), Qt::Key_Down);
    EXPECT_TRUE(gui.barItem(2)->hasFocus());
    QTest::keyClick(gui.barItem(2), Qt::Key_Down);
    EXPECT_TRUE(gui.barItem(4)->hasFocus()) << "the disabled item is passed over";
    QTest::keyClick(gui.barItem(4), Qt::Key_Up);
    EXPECT_TRUE(gui.barItem(2)->hasFocus());
    QTest::keyClick(gui.barItem(2), Qt::Key_Return);
    EXPECT_NE(gui.openWindow("DownloadErase"), nullptr);

    // The Display entries open their windows once a port is chosen (Remote Session and Tools >
    // Calibrate are opened from this menu by their windows' own tests).
    for (const auto& [entry, window] :
         {std::pair{"mnuAcc", "Accelerometers"}, std::pair{"mnuAngles", "Angles"}}) {
        gui.action(entry)->trigger();
        QWidget* opened = gui.openWindow(QString::fromLatin1(window));
        ASSERT_NE(opened, nullptr) << entry;
        EXPECT_TRUE(opened->isVisible()) << entry;
        const QPointer<QWidget> closing(opened);
        opened->close();
        ASSERT_TRUE(gui.waitFor([&] { return closing.isNull() || !closing->isVisible(); }));
    }
    EXPECT_TRUE(gui.errors.reports.empty());
}

TEST(MainWindow, HotKeys_SwitchTheDisplayEntries_AboutAndExit) {
    GuiHarness gui;
    gui.start();
    ASSERT_TRUE(gui.activate(gui.frame.get()));
    auto visible = [&](const char* name) { return gui.action(name)->isVisible(); };

    QTest::keyClick(gui.frame.get(), Qt::Key_F6, Qt::ControlModifier);
    EXPECT_TRUE(visible("mnuRemote"));
    QTest::keyClick(gui.frame.get(), Qt::Key_F6, Qt::ControlModifier);
    EXPECT_FALSE(visible("mnuRemote")) << "twice leaves it as it was";

    // Ctrl+F9 on a disabled Display menu: enable it, Remote Session only.
    QTest::keyClick(gui.frame.get(), Qt::Key_F9, Qt::ControlModifier);
    EXPECT_TRUE(gui.frame->main().displayMenuEnabled());
    EXPECT_FALSE(visible("mnuAcc"));
    EXPECT_FALSE(visible("mnuAngles"));
    EXPECT_TRUE(visible("mnuRemote"));
    // ... and back: disabled, the live entries shown, Remote Session hidden.
    QTest::keyClick(gui.frame.get(), Qt::Key_F9, Qt::ControlModifier);
    EXPECT_FALSE(gui.frame->main().displayMenuEnabled());
    EXPECT_TRUE(visible("mnuAcc"));
    EXPECT_TRUE(visible("mnuAngles"));
    EXPECT_FALSE(visible("mnuRemote"));
    EXPECT_FALSE(gui.action("mnuDisplay")->isVisible()) << "the menu itself stays hidden";

    // Other keys pass on untouched.
    QTest::keyClick(gui.frame.get(), Qt::Key_F7, Qt::ControlModifier);
    EXPECT_FALSE(visible("mnuRemote"));

    // About shows the version; Exit ends the program.
    gui.action("mnuAbout")->trigger();
    QWidget* about = gui.openWindow("About");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isModal());
    EXPECT_EQ(about->findChild<QLabel*>("Label1")->text(), "Tiltavarometer Software");
    EXPECT_EQ(about->findChild<QLabel*>("Label2")->text(), "Version 3.2.4");
    gui.click("cmdOK");
    EXPECT_TRUE(gui.waitFor([&] { return gui.openWindow("About") == nullptr; }));

    gui.action("mnuExit")->trigger();
    EXPECT_EQ(gui.exits, 1);
}

TEST(SingleInstance, SecondCopy_IsToldTheProgramIsRunning) {
    QTemporaryDir root;
    const QString lock = root.filePath("tiltavarometer.lock");
    FakeMessages messages;
    SingleInstance first(lock);
    ASSERT_TRUE(first.claim(messages));
    SingleInstance second(lock);
    EXPECT_FALSE(second.claim(messages));
    ASSERT_EQ(messages.shown.size(), 1U);
    EXPECT_EQ(messages.shown[0].text, "The program is already running!");
}

}  // namespace
}  // namespace tilt::frame
