// What a screen reader calls each control of every window.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>

#include <set>

#include "config/ui/num_edit.h"
#include "frame/mdi_form1.h"
#include "support/gui_harness.h"

namespace tilt::frame {
namespace {

QString accessibleName(QWidget* widget) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(widget);
    return face != nullptr ? face->text(QAccessible::Name) : QString();
}

// In every window, every field, box, slider and button is named from its caption, not from the
// frame around it (the Configuration window's frames all have the same title), and the
// Configuration window's fields are told apart by their names.
TEST(AccessibleNames, EveryControlIsNamedByItsCaption_AndTheConfigurationFieldsApart) {
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
        std::set<QString> titles;
        for (const QGroupBox* frame : window->findChildren<QGroupBox*>()) {
            titles.insert(frame->title());
        }
        std::vector<QWidget*> controls;
        for (auto* w : window->findChildren<QLineEdit*>()) {
            controls.push_back(w);
        }
        for (auto* w : window->findChildren<QAbstractSlider*>()) {
            controls.push_back(w);
        }
        for (auto* w : window->findChildren<QAbstractButton*>()) {
            controls.push_back(w);
        }
        for (auto* w : window->findChildren<QAbstractSpinBox*>()) {
            controls.push_back(w);
        }
        for (auto* w : window->findChildren<QComboBox*>()) {
            controls.push_back(w);
        }
        for (QWidget* control : controls) {
            if (control->objectName().startsWith(QStringLiteral("qt_"))) {
                continue;  // Qt's own, such as the menu bar's overflow button
            }
            const QString said = accessibleName(control);
            const std::string which = name + " " + control->objectName().toStdString();
            EXPECT_FALSE(said.trimmed().isEmpty()) << which;
            EXPECT_FALSE(titles.contains(said)) << which << ": " << said.toStdString();
        }
        if (name == "Configuration") {
            std::set<QString> names;
            const auto fields = window->findChildren<QLineEdit*>();
            for (QLineEdit* field : fields) {
                names.insert(accessibleName(field));
            }
            EXPECT_EQ(names.size(), fields.size()) << "a field's name is its own";
            EXPECT_EQ(accessibleName(window->findChild<config::ui::NumEdit*>("NumEdit30")),
                      "Update Time Increment");
            EXPECT_EQ(accessibleName(window->findChild<config::ui::NumEdit*>("NumEdit14")),
                      "X Tare");
        }
    }
}

}  // namespace
}  // namespace tilt::frame
