#include "config/ui/eeprom_window.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPushButton>

#include "common/ui/pictured.h"
#include "config_window_support.h"

namespace tilt::config::ui {
namespace {

using testing::ConfigGui;
using testing::typeOver;

constexpr const char* kReadError = "Read EEPROM error: packet length is <> 1 byte!";

class EEPROMWindow : public ::testing::Test {
  protected:
    void open(const std::function<void(device::SimDevice&)>& prepare = {}) {
        app.start(prepare);
        showWindow();
    }
    void showWindow() {
        window =
            qobject_cast<EepromWindow*>(app.gui.frame->windows().show(frame::WindowId::Eeprom));
        ASSERT_NE(window, nullptr);
        address = window->findChild<NumEdit*>("NumEditAddress");
        value = window->findChild<QLineEdit*>("txtValue");
    }
    QPushButton* button(const char* name) { return window->findChild<QPushButton*>(name); }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    bool controlsEnabled() {
        return button("cmdRead")->isEnabled() && button("cmdWrite")->isEnabled() &&
               button("cmdOK")->isEnabled() && address->isEnabled();
    }
    bool idleAgain() {
        return app.gui.waitFor([&] { return controlsEnabled(); }) && app.gui.idle();
    }

    ConfigGui app;
    EepromWindow* window = nullptr;
    NumEdit* address = nullptr;
    QLineEdit* value = nullptr;
};

// The request's bytes and pause are the cell read's own to check.
TEST_F(EEPROMWindow, Read_ShowsTheCell_WriteSendsIt) {
    open([](device::SimDevice& d) {
        d.memory().eeprom[0] = 0;
        d.memory().eeprom[44] = 200;
    });
    EXPECT_EQ(address->value(), 2);
    EXPECT_TRUE(value->text().isEmpty());
    EXPECT_TRUE(window->isModal());

    const std::pair<const char*, const char*> cases[] = {{"30", "3"}, {"0", "0"}, {"44", "200"}};
    for (const auto& [cell, shown] : cases) {
        typeOver(address, cell);
        value->setText("99");
        click("cmdRead");
        EXPECT_FALSE(controlsEnabled()) << "the buttons and the address wait";
        EXPECT_TRUE(value->text().isEmpty());
        ASSERT_TRUE(idleAgain());
        EXPECT_EQ(value->text(), shown) << cell;
    }
    EXPECT_TRUE(app.gui.messages.shown.empty());
    EXPECT_NE(window->cursor().shape(), Qt::BusyCursor);

    // A write sends the cell and shows nothing.
    typeOver(address, "100");
    value->clear();
    QTest::keyClicks(value, "210");
    click("cmdWrite");
    ASSERT_TRUE(idleAgain());
    EXPECT_EQ(app.gui.cell(100), 210);
    EXPECT_TRUE(app.gui.messages.shown.empty());
}

TEST_F(EEPROMWindow, ReadOfASilentLogger_SaysThePacketLengthIsWrong) {
    app.gui.catalogue.addSilentPort("ttyS0");
    app.gui.start();
    showWindow();
    click("cmdRead");
    ASSERT_TRUE(idleAgain());
    EXPECT_EQ(app.gui.texts(), std::vector<std::string>{kReadError});
    EXPECT_TRUE(value->text().isEmpty());
}

// Typed through the box's key filter, as a user types.
TEST_F(EEPROMWindow, ValueBoxTakesDigits_WhatCannotBeSentIsRefused_OKCloses) {
    open();
    struct Typed {
        const char* before;
        const char* typed;
        const char* after;
    };
    const Typed typings[] = {{"", "-", "-"},      {"", "1a2", "12"}, {"", "12-3", "123"},
                             {"", "-7.5", "-75"}, {"4", " +e", "4"}, {"-", "-", "-"}};
    for (const Typed& c : typings) {
        value->setText(QString::fromLatin1(c.before));
        value->end(false);
        QTest::keyClicks(value, QString::fromLatin1(c.typed));
        EXPECT_EQ(value->text(), c.after) << c.before << "+" << c.typed;
    }
    value->setText("123");
    value->end(false);
    QTest::keyClick(value, Qt::Key_Backspace);
    EXPECT_EQ(value->text(), "12");
    QTest::keyClick(value, Qt::Key_Left);  // keys that type nothing work as ever
    QTest::keyClicks(value, "9");
    EXPECT_EQ(value->text(), "192");
    EXPECT_TRUE(app.gui.messages.shown.empty()) << "Enter in the box presses no button";

    // What cannot be sent is refused, and nothing goes out.
    struct Case {
        const char* address;
        const char* value;
        const char* command;
        std::string message;
    };
    const Case cases[] = {
        {"256", "5", "cmdWrite",
         "Address 256 cannot be written: the logger's EEPROM has the addresses 0 to 255. "
         "Nothing was sent."},
        {"300", "5", "cmdRead",  // the field stops at 263
         "Address 263 cannot be read: the logger's EEPROM has the addresses 0 to 255. Nothing "
         "was sent."},
        {"30", "-5", "cmdWrite",
         "The value -5 cannot be written: an EEPROM cell holds 0 to 255. Nothing was sent."},
        {"30", "256", "cmdWrite",
         "The value 256 cannot be written: an EEPROM cell holds 0 to 255. Nothing was sent."},
        {"30", "-", "cmdWrite", "No value has been entered!"},
    };
    for (const Case& c : cases) {
        app.gui.messages.shown.clear();
        typeOver(address, c.address);
        value->setText(QString::fromLatin1(c.value));
        click(c.command);
        EXPECT_EQ(app.gui.texts(), std::vector<std::string>{c.message}) << c.address << c.value;
        EXPECT_TRUE(controlsEnabled());
    }
    EXPECT_FALSE(app.gui.device.busy());
    EXPECT_EQ(app.gui.receivedCount(), 0U);

    // OK closes the window, and the next opening starts at address two.
    typeOver(address, "40");
    QPointer<EepromWindow> first = window;
    click("cmdOK");
    EXPECT_EQ(app.gui.openWindow("EEPROM"), nullptr);
    ASSERT_TRUE(app.gui.waitFor([&] { return first.isNull(); }));
    showWindow();
    EXPECT_EQ(address->value(), 2);
}

TEST_F(EEPROMWindow, Picture_ReadsAddressThirtyWithoutADialog) {
    app.start();
    auto* w = app.gui.frame->windows().instance(frame::WindowId::Eeprom);
    dynamic_cast<common::ui::Pictured*>(w)->prepareForPicture();
    EXPECT_EQ(w->findChild<NumEdit*>("NumEditAddress")->value(), 30);
    EXPECT_EQ(w->findChild<QLineEdit*>("txtValue")->text(), "3");
    EXPECT_TRUE(app.gui.messages.shown.empty());
}

}  // namespace
}  // namespace tilt::config::ui
