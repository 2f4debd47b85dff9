// What a screen reader calls each control of every window.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>

#include <map>
#include <set>

#include "frame/frame_window.h"
#include "support/gui_harness.h"

namespace tilt::frame {
namespace {

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face != nullptr ? face->text(QAccessible::Name) : QString();
}

bool isControl(QWidget* w) {
    return qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSlider*>(w) ||
           qobject_cast<QAbstractButton*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
           qobject_cast<QComboBox*>(w);
}

// In every window, every field, box, slider and button is named from its caption, not from the
// frame around it (the Configuration window's frames all have the same title). Where controls
// share a frame or have no caption of their own (the Configuration fields, the Remote Session's
// octet boxes and host options), each is still told apart by its name.
TEST(AccessibleNames, EveryControlIsNamedByItsCaption_AndTheCrowdedWindowsControlsApart) {
    const std::map<std::string, std::map<QString, QString>> apart = {
        {"Configuration", {{"NumEdit30", "Update Time Increment"}, {"NumEdit14", "X Tare"}}},
        {"RemoteSession",
         {{"txtWhoAmI", "Who am I? This computer's name"},
          {"txtLH4", "This computer's IP address octet 4 of 4"},
          {"optRemoteHost1", "Remote Host given by IP address"},
          {"txtRH1", "Remote Host IP address octet 1 of 4"},
          {"optRemoteHost2", "Remote Host given by name"},
          {"txtRH5", "Remote Host name"},
          {"txtPort", "Remote Port"},
          {"txtBind", "Bind: this computer's UDP port"},
          {"cmdReset", "Reset"},
          {"optSession2", "I will receive the data"},
          {"optSend", "Send"},
          {"optDialYes", "Display Receive Data: Yes"},
          {"txtSend", "Send box"},
          {"cmdClearSend", "Clear Send box"},
          {"txtX", "X Axis angle"},
          {"dialY", "Y Axis dial"}}},
    };
    testing::GuiHarness gui;
    gui.catalogue.addDevice({});
    gui.start();
    std::vector<QWidget*> windows = {gui.frame.get()};
    for (const WindowId id : gui.frame->windows().registered()) {
        windows.push_back(gui.frame->windows().instance(id));
    }
    EXPECT_GE(windows.size(), 12U);
    for (QWidget* window : windows) {
        ASSERT_NE(window, nullptr);
        const std::string name = window->objectName().toStdString();
        const auto crowded = apart.find(name);
        std::set<QString> titles;
        for (const QGroupBox* frame : window->findChildren<QGroupBox*>()) {
            titles.insert(frame->title());
        }
        std::map<QString, QString> controlNamed;  // by what it is called
        for (QWidget* control : window->findChildren<QWidget*>()) {
            if (!isControl(control) || control->objectName().startsWith(QStringLiteral("qt_"))) {
                continue;  // Qt's own, such as the menu bar's overflow button
            }
            const QString said = accessibleName(control);
            const std::string which = name + " " + control->objectName().toStdString();
            EXPECT_FALSE(said.trimmed().isEmpty()) << which;
            EXPECT_FALSE(titles.contains(said)) << which << ": " << said.toStdString();
            const auto [named, first] = controlNamed.emplace(said, control->objectName());
            EXPECT_TRUE(first || crowded == apart.end())
                << which << " and " << named->second.toStdString() << " are both "
                << said.toStdString();
        }
        if (crowded != apart.end()) {
            for (const auto& [control, said] : crowded->second) {
                auto* found = window->findChild<QWidget*>(control);
                ASSERT_NE(found, nullptr) << name << " " << control.toStdString();
                EXPECT_EQ(accessibleName(found), said) << control.toStdString();
            }
        }
    }
}

}  // namespace
}  // namespace tilt::frame
