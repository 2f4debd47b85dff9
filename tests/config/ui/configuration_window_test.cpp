#include "config/ui/configuration_window.h"

#include <gtest/gtest.h>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QRadioButton>
#include <QSignalSpy>

#include <fstream>
#include <map>

#include "common/error.h"
#include "common/ui/pictured.h"
#include "config/parameter_map.h"
#include "config_window_support.h"

namespace tilt::config::ui {
namespace {

using testing::ConfigGui;
using testing::typeOver;
using tilt::testing::readFile;

// Configure Device on a program of its own; the window once its read completed, else null.
QWidget* openedAndRead(ConfigGui& app) {
    app.gui.action("mnuConfiguration")->trigger();
    return app.gui.waitForMessage("Read completed!") ? app.gui.openWindow("Configuration")
                                                     : nullptr;
}

class ConfigurationWindow : public ::testing::Test {
  protected:
    // The program on a logger (changed by `prepare`), and the Configuration window opened.
    void open(const std::function<void(device::SimDevice&)>& prepare = {}) {
        app.start(prepare);
        openWindow();
    }
    void openWindow() {
        app.gui.action("mnuConfiguration")->trigger();
        window = qobject_cast<ui::ConfigurationWindow*>(app.gui.openWindow("Configuration"));
        ASSERT_NE(window, nullptr);
    }
    void openAndRead(const std::function<void(device::SimDevice&)>& prepare = {}) {
        open(prepare);
        ASSERT_TRUE(app.gui.waitForMessage("Read completed!"));
    }
    // Opened on a logger that answers a few requests, then goes quiet for good.
    void openOnALoggerFallingSilent() {
        open([this](device::SimDevice& d) {
            const link::Nanos now = app.gui.clock.now();
            d.silenceBetween(now + link::ms(100), now + std::chrono::hours(24 * 365));
        });
        auto* waiting = window->findChild<QLabel*>("lblWaiting");
        ASSERT_TRUE(app.gui.waitFor([&] { return waiting->isVisible(); }));
    }

    QAction* menu(const char* name) { return window->findChild<QAction*>(name); }
    NumEdit* field(const char* name) { return window->findChild<NumEdit*>(name); }
    QString text(const char* name) { return window->findChild<QLineEdit*>(name)->text(); }
    QRadioButton* option(const char* name) { return window->findChild<QRadioButton*>(name); }
    QWidget* frame(const char* name) { return window->findChild<QWidget*>(name); }
    QString caption() { return window->findChild<QGroupBox*>("fraProgress")->title(); }
    // Ends the typing in every field, as leaving it does.
    void commitEdits() {
        for (NumEdit* f : window->findChildren<NumEdit*>()) {
            f->commit();
        }
    }
    // The fields marked as changed, by name.
    std::vector<std::string> marks() {
        std::vector<std::string> names;
        for (const QWidget* w : window->findChildren<QWidget*>()) {
            if (w->property("changed").toBool()) {
                names.push_back(w->objectName().toStdString());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::string profileFile(const char* name) {
        return (app.gui.context.paths.dataFiles() / name).string();
    }

    ConfigGui app;
    ui::ConfigurationWindow* window = nullptr;
};

TEST_F(ConfigurationWindow, Opening_ReadsAndFillsFieldsRecordAndIdentity) {
    openAndRead([](device::SimDevice& d) {
        d.memory().setWord(100, 4 * 256 + 210);  // serial number 1234
        d.memory().setWord(104, 7 * 256 + 211);  // year 2003
    });

    EXPECT_EQ(field("NumEdit2")->value(), 323);
    EXPECT_EQ(field("NumEdit4")->text(), "408");
    EXPECT_EQ(field("NumEdit18")->value(), -180);
    EXPECT_EQ(field("NumEdit28")->text(), "0") << "the bin angles are never decoded";
    EXPECT_TRUE(option("opt15Hz")->isChecked());
    EXPECT_FALSE(option("opt75Hz")->isChecked());
    EXPECT_EQ(text("txtSerialNumber"), "1234");
    EXPECT_EQ(text("txtYear"), "2003");
    EXPECT_EQ(text("txtMonth"), "11");
    EXPECT_EQ(text("txtSecond"), "0");
    EXPECT_EQ(app.gui.context.state.configuration.offsetX, 323);

    EXPECT_EQ(caption(), "Progress");
    EXPECT_EQ(window->findChild<QProgressBar*>("PBar")->maximum(), 53);
    EXPECT_EQ(window->findChild<QProgressBar*>("PBar")->value(), 0);
    for (const char* name : {"mnuRead", "mnuWrite", "mnuTools", "mnuReturn"}) {
        EXPECT_TRUE(menu(name)->isEnabled()) << name;
    }
    EXPECT_NE(window->cursor().shape(), Qt::BusyCursor);
    EXPECT_EQ(app.gui.texts(), std::vector<std::string>{"Read completed!"});
    EXPECT_TRUE(app.gui.errors.reports.empty());
    EXPECT_TRUE(marks().empty());
}

TEST_F(ConfigurationWindow, AnglesAndRatesAsTheLoggerHoldsThem_AreShownUnrounded) {
    struct Case {
        std::uint8_t high, low;
        double tareX;
        const char* shown;
        std::uint8_t rate;
        bool fast;
    };
    const Case cases[] = {{127, 255, 180, "180", 75, true},
                          {128, 0, -32768.0 / 32767 * 180, "-180.0055", 7, false}};
    for (const Case& c : cases) {
        ConfigGui other;
        other.start([&](device::SimDevice& d) {
            d.memory().eeprom[14] = c.high;
            d.memory().eeprom[15] = c.low;
            d.memory().eeprom[102] = c.rate;
        });
        QWidget* w = openedAndRead(other);
        ASSERT_NE(w, nullptr);
        auto* tare = w->findChild<NumEdit*>("NumEdit14");
        EXPECT_EQ(tare->value(), c.tareX) << c.shown;
        EXPECT_EQ(tare->text(), c.shown);
        EXPECT_EQ(w->findChild<QRadioButton*>("opt75Hz")->isChecked(), c.fast) << int(c.rate);
        EXPECT_EQ(w->findChild<QRadioButton*>("opt15Hz")->isChecked(), !c.fast) << int(c.rate);
        EXPECT_EQ(valueOf(other.gui.context.state.configuration, Field::LinearRate), c.rate);
    }
}

TEST_F(ConfigurationWindow, ShowDefaultsThenWrite_WritesThemAndTheNextReadShowsThem) {
    openAndRead([](device::SimDevice& d) {
        d.memory().setWord(2, 500);
        d.memory().setWord(18, 0);
        d.memory().eeprom[30] = 9;
        d.memory().eeprom[102] = 75;
    });
    menu("mnuShowDefaults")->trigger();
    EXPECT_TRUE(option("opt15Hz")->isChecked());
    EXPECT_EQ(field("NumEdit28")->value(), 65535) << "kept although beyond the field's limits";
    EXPECT_EQ(field("NumEdit28")->text(), "65535");
    EXPECT_EQ(marks(), (std::vector<std::string>{"NumEdit18", "NumEdit2", "NumEdit30", "opt15Hz",
                                                 "opt75Hz"}));

    menu("mnuWrite")->trigger();
    EXPECT_FALSE(menu("mnuRead")->isEnabled());
    EXPECT_FALSE(menu("mnuTools")->isEnabled());
    EXPECT_TRUE(menu("mnuReturn")->isEnabled());
    ASSERT_TRUE(app.gui.waitForMessage("Write completed!"));

    EXPECT_EQ(caption(), "Progress");
    EXPECT_EQ(window->findChild<QProgressBar*>("PBar")->maximum(), 44);
    EXPECT_TRUE(menu("mnuWrite")->isEnabled());
    EXPECT_TRUE(marks().empty()) << "the logger holds what was written";

    // A second read shows what the logger holds now.
    app.gui.messages.shown.clear();
    menu("mnuRead")->trigger();
    ASSERT_TRUE(app.gui.waitForMessage("Read completed!"));
    EXPECT_EQ(field("NumEdit2")->value(), 323);
    EXPECT_EQ(field("NumEdit18")->value(), -180);
    EXPECT_EQ(field("NumEdit30")->value(), 3);
    EXPECT_TRUE(option("opt15Hz")->isChecked());
}

TEST_F(ConfigurationWindow, CtrlF6_TogglesTheHiddenFramesAndTheEEPROMEntry_ToolsOpenTheirWindows) {
    openAndRead();
    ASSERT_TRUE(app.gui.activate(window));
    auto hiddenShown = [&] {
        const bool shown = menu("mnuEEPROM")->isVisible();
        EXPECT_EQ(frame("fraAddresses")->isVisible(), shown);
        EXPECT_EQ(frame("fra100108")->isVisible(), shown);
        return shown;
    };
    EXPECT_FALSE(hiddenShown());
    EXPECT_TRUE(frame("fraSingleAddresses")->isVisible());
    QTest::keyClick(field("NumEdit30"), Qt::Key_F6, Qt::ControlModifier);
    EXPECT_TRUE(hiddenShown()) << "the window sees the key before its field";
    QTest::keyClick(window, Qt::Key_F6, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(window, Qt::Key_F6);
    EXPECT_TRUE(hiddenShown()) << "only Ctrl+F6 toggles";
    QTest::keyClick(window, Qt::Key_F6, Qt::ControlModifier);
    EXPECT_FALSE(hiddenShown());
    QTest::keyClick(window, Qt::Key_F6, Qt::ControlModifier);

    menu("mnuEEPROM")->trigger();
    QWidget* eeprom = app.gui.openWindow("EEPROM");
    ASSERT_NE(eeprom, nullptr);
    EXPECT_TRUE(eeprom->isModal());
    EXPECT_NE(app.gui.openWindow("Configuration"), nullptr) << "it opens over this window";
    for (const auto& [entry, name] :
         {std::pair{"mnuAngles", "Angles"}, std::pair{"mnuAcc", "Accelerometers"},
          std::pair{"mnuCalibrate", "Calibrate"}}) {
        menu(entry)->trigger();
        EXPECT_NE(app.gui.openWindow(QString::fromLatin1(name)), nullptr) << entry;
    }
}

TEST_F(ConfigurationWindow, ShowMinMaxDefaults_FillTheNumbers_AnUnsendableOneStopsTheWrite) {
    openAndRead();
    option("opt75Hz")->setChecked(true);
    const QString serial = text("txtSerialNumber");
    struct Case {
        const char* command;
        std::map<const char*, double> values;
        bool fast;
    };
    const Case cases[] = {
        {"mnuShowMin",
         {{"NumEdit2", 0}, {"NumEdit14", -180}, {"NumEdit30", 1}, {"NumEdit43", 1}},
         true},
        {"mnuShowMax",
         {{"NumEdit2", 1024}, {"NumEdit16", 90}, {"NumEdit31", 16}, {"NumEdit28", 90}},
         true},
        {"mnuShowDefaults",
         {{"NumEdit4", 408}, {"NumEdit18", -180}, {"NumEdit28", 65535}, {"NumEdit66", 512}},
         false},
        {"mnuShowMin", {{"NumEdit33", 0}, {"NumEdit26", -90}}, false},
    };
    for (const Case& c : cases) {
        menu(c.command)->trigger();
        for (const auto& [name, value] : c.values) {
            EXPECT_EQ(field(name)->value(), value) << c.command << " " << name;
        }
        EXPECT_EQ(option("opt75Hz")->isChecked(), c.fast) << c.command;
        EXPECT_EQ(option("opt15Hz")->isChecked(), !c.fast) << c.command;
        EXPECT_EQ(text("txtSerialNumber"), serial);
    }

    // A value that cannot be sent refuses the whole write, naming the field (which values cannot
    // be sent, and how they are named, is the core write's to check).
    const std::size_t before = app.gui.receivedCount();
    menu("mnuShowDefaults")->trigger();
    typeOver(field("NumEdit24"), "-0.0005");
    app.gui.messages.shown.clear();
    menu("mnuWrite")->trigger();
    ASSERT_EQ(app.gui.messages.shown.size(), 1U);
    const std::string message = app.gui.messages.shown[0].text;
    EXPECT_NE(message.find("\"Y High Alarm\" (HighAlarmY)"), std::string::npos) << message;
    EXPECT_NE(message.find("Nothing was sent"), std::string::npos) << message;
    EXPECT_FALSE(app.gui.device.busy());
    EXPECT_TRUE(menu("mnuWrite")->isEnabled());
    EXPECT_EQ(marks(), std::vector<std::string>{"NumEdit24"})
        << "a value that cannot be sent differs";
    EXPECT_EQ(app.gui.receivedCount(), before) << "nothing was sent";
}

TEST_F(ConfigurationWindow, ChangeMarksShowWhatAWriteWouldChange_ReturnUnlocksTheBar) {
    openAndRead();
    EXPECT_TRUE(marks().empty());
    typeOver(field("NumEdit2"), "400");
    EXPECT_EQ(marks(), std::vector<std::string>{"NumEdit2"});
    EXPECT_EQ(field("NumEdit2")->toolTip(), "The logger holds 323; Write will change it.");
    typeOver(field("NumEdit2"), "323");
    EXPECT_TRUE(marks().empty()) << "back to what the logger holds";
    typeOver(field("NumEdit14"), "0.001");
    EXPECT_TRUE(marks().empty()) << "0.001 degrees is written as the same word";
    option("opt75Hz")->setChecked(true);
    EXPECT_EQ(marks(), (std::vector<std::string>{"opt15Hz", "opt75Hz"}));
    EXPECT_EQ(option("opt75Hz")->toolTip(), "The logger holds 15 Hz; Write will change it.");

    menu("mnuShowMax")->trigger();
    const auto maxMarks = marks();
    EXPECT_TRUE(std::find(maxMarks.begin(), maxMarks.end(), "NumEdit30") != maxMarks.end());
    EXPECT_TRUE(std::find(maxMarks.begin(), maxMarks.end(), "NumEdit28") == maxMarks.end())
        << "the bin angles are never written";
    menu("mnuShowDefaults")->trigger();
    EXPECT_TRUE(marks().empty()) << "the logger holds the factory defaults";

    // Return unlocks the bar, and the next opening reads afresh.
    EXPECT_FALSE(app.gui.barItem(1)->isEnabled());
    EXPECT_FALSE(app.gui.barItem(4)->isEnabled());
    QPointer<QWidget> first = window;
    menu("mnuReturn")->trigger();
    EXPECT_EQ(app.gui.openWindow("Configuration"), nullptr);
    for (int item = 1; item <= 4; ++item) {
        EXPECT_TRUE(app.gui.barItem(item)->isEnabled()) << item;
    }
    ASSERT_TRUE(app.gui.waitFor([&] { return first.isNull(); })) << "deleted on close";

    const std::size_t before = app.gui.receivedCount();
    openWindow();
    ASSERT_TRUE(app.gui.waitForMessage("Read completed!", 2));
    EXPECT_EQ(app.gui.receivedCount() - before, 2 * 53U);
    EXPECT_EQ(field("NumEdit2")->value(), 323);
}

TEST_F(ConfigurationWindow, ProfileSavedThenOpened_FillsTheFields_ABadOneIsRefused) {
    openAndRead();
    typeOver(field("NumEdit2"), "400");
    typeOver(field("NumEdit14"), "-12.25");
    option("opt75Hz")->setChecked(true);
    const std::string file = profileFile("fleet.json");
    app.gui.fileDialogs.answers.push_back(file);
    menu("mnuSaveProfile")->trigger();
    ASSERT_EQ(app.gui.fileDialogs.requests.size(), 1U);
    const auto& request = app.gui.fileDialogs.requests[0];
    EXPECT_EQ(request.selectedFilter, "Profiles (*.json)");
    EXPECT_EQ(request.defaultSuffix, "json");
    EXPECT_EQ(request.folder, app.gui.context.paths.dataFiles().string());

    const QJsonObject saved =
        QJsonDocument::fromJson(QByteArray::fromStdString(readFile(file))).object();
    EXPECT_EQ(saved.size(), 24);
    EXPECT_EQ(saved.value("OffsetX").toDouble(), 400);

    menu("mnuShowMin")->trigger();
    option("opt15Hz")->setChecked(true);
    const std::size_t before = app.gui.receivedCount();
    app.gui.fileDialogs.answers.push_back(file);
    menu("mnuOpenProfile")->trigger();
    EXPECT_EQ(field("NumEdit2")->value(), 400);
    EXPECT_EQ(field("NumEdit14")->value(), -12.25);
    EXPECT_EQ(field("NumEdit30")->value(), 3);
    EXPECT_TRUE(option("opt75Hz")->isChecked());
    EXPECT_EQ(marks(), (std::vector<std::string>{"NumEdit14", "NumEdit2", "opt15Hz", "opt75Hz"}));
    EXPECT_TRUE(app.gui.messages.shown.size() == 1U) << "only the read's message";
    EXPECT_FALSE(app.gui.device.busy());
    EXPECT_EQ(app.gui.receivedCount(), before);

    // A bad profile is refused, naming the key, and nothing changes.
    option("opt15Hz")->setChecked(true);
    const std::string good = profileFile("good.json");
    app.gui.fileDialogs.answers.push_back(good);
    menu("mnuSaveProfile")->trigger();
    const QJsonObject profile =
        QJsonDocument::fromJson(QByteArray::fromStdString(readFile(good))).object();
    auto changed = [&](const std::function<void(QJsonObject&)>& change) {
        QJsonObject p = profile;
        change(p);
        return QJsonDocument(p).toJson().toStdString();
    };
    struct Case {
        std::string text;
        std::string named;
    };
    // A refusal of the profile check and one of the JSON reader; which profiles are bad is theirs
    // to test.
    const Case cases[] = {
        {changed([](QJsonObject& p) { p["OffsetX"] = 2000; }),
         "\"OffsetX\" is 2000; it must be 0 to 1024"},
        {"{ \"OffsetX\": ", "it is not JSON"},
    };
    typeOver(field("NumEdit2"), "401");
    for (const Case& c : cases) {
        const std::string bad = profileFile("bad.json");
        std::ofstream(bad, std::ios::binary) << c.text;
        app.gui.messages.shown.clear();
        app.gui.fileDialogs.answers.push_back(bad);
        menu("mnuOpenProfile")->trigger();
        ASSERT_EQ(app.gui.messages.shown.size(), 1U) << c.named;
        const std::string message = app.gui.messages.shown[0].text;
        EXPECT_NE(message.find(c.named), std::string::npos) << message;
        EXPECT_NE(message.find("Nothing was changed."), std::string::npos) << message;
        EXPECT_EQ(field("NumEdit2")->value(), 401) << c.named;
        EXPECT_TRUE(option("opt15Hz")->isChecked()) << c.named;
    }
}

TEST_F(ConfigurationWindow, ProfileThatCouldNotBeOpenedAgain_IsNotSaved) {
    openAndRead([](device::SimDevice& d) { d.memory().setWord(6, 65535); });  // a blank cell
    EXPECT_EQ(field("NumEdit6")->value(), 65535) << "shown as read";
    menu("mnuSaveProfile")->trigger();
    EXPECT_TRUE(app.gui.fileDialogs.requests.empty());
    ASSERT_EQ(app.gui.messages.shown.size(), 2U);
    EXPECT_EQ(app.gui.messages.shown[1].text,
              "The profile was not saved: \"OffsetZ\" is 65535; it must be 0 to 1024. Correct "
              "the value, then save again.");
}

TEST_F(ConfigurationWindow, SilentLogger_WindowSaysItWaits_AndReturnEndsTheRead) {
    openOnALoggerFallingSilent();
    const QString reading = caption();
    ASSERT_TRUE(reading.startsWith("Reading ")) << reading.toStdString();
    const int step = reading.mid(8).toInt();
    EXPECT_GT(step, 2);
    EXPECT_LT(step, 55);
    EXPECT_EQ(window->findChild<QProgressBar*>("PBar")->value(), step - 2);
    EXPECT_FALSE(menu("mnuRead")->isEnabled());
    EXPECT_FALSE(menu("mnuWrite")->isEnabled());
    EXPECT_FALSE(menu("mnuTools")->isEnabled());
    EXPECT_TRUE(menu("mnuReturn")->isEnabled());
    EXPECT_EQ(window->cursor().shape(), Qt::BusyCursor);
    typeOver(field("NumEdit2"), "400");
    EXPECT_TRUE(marks().empty()) << "nothing is known of the logger yet";

    menu("mnuReturn")->trigger();
    ASSERT_TRUE(app.gui.idle()) << "the read ended";
    EXPECT_EQ(app.gui.openWindow("Configuration"), nullptr);
    EXPECT_TRUE(app.gui.messages.shown.empty());
    EXPECT_TRUE(app.gui.errors.reports.empty());
    EXPECT_TRUE(app.gui.barItem(3)->isEnabled());
}

// A read cut off by a pulled adapter leaves the fields empty; the window says so under the
// report, and a Write then asks before it sends the zeros, naming what would go out.
TEST_F(ConfigurationWindow, WriteAfterAFailedRead_AsksFirst_AndNoSendsNothing) {
    openOnALoggerFallingSilent();
    app.gui.catalogue.line(1)->unplug();
    ASSERT_TRUE(app.gui.idle());
    ASSERT_EQ(app.gui.errors.reports.size(), 1U);
    EXPECT_EQ(app.gui.errors.reports[0].number, errc::kPortLost);
    EXPECT_TRUE(app.gui.messages.shown.empty()) << "the report is the only box";
    auto* note = window->findChild<QLabel*>("lblNote");
    EXPECT_TRUE(note->isVisible());
    const std::string said = note->text().toStdString();
    EXPECT_TRUE(said.starts_with("The read did not complete (")) << said;
    EXPECT_NE(said.find("choose File > Read"), std::string::npos) << said;
    EXPECT_NE(said.find("The fields were emptied for the read"), std::string::npos) << said;
    EXPECT_TRUE(menu("mnuWrite")->isEnabled());

    // With nothing read, a write elsewhere fills its field, unless the user typed there.
    typeOver(field("NumEdit64"), "700");
    commitEdits();
    app.gui.context.state.configuration.dac[0] = 600;
    app.gui.context.state.configuration.dac[1] = 650;
    emit app.gui.context.loggerEvents.configurationWritten();
    EXPECT_EQ(field("NumEdit62")->value(), 600);
    EXPECT_EQ(field("NumEdit64")->value(), 700);

    app.gui.catalogue.line(1)->plugIn();
    const std::size_t before = app.gui.receivedCount();
    menu("mnuWrite")->trigger();  // the script answers No
    ASSERT_EQ(app.gui.messages.shown.size(), 1U);
    const auto& question = app.gui.messages.shown[0];
    EXPECT_EQ(question.buttons, Messages::Buttons::YesNoDefaultNo) << "Return writes nothing";
    for (const char* named : {"Update Time Increment 0", "X Gain 0", "Linear Update Rate none (0)",
                              "\r\nClick YES to proceed.\r\nClick NO to cancel this operation."}) {
        EXPECT_NE(question.text.find(named), std::string::npos) << named << "\n" << question.text;
    }
    EXPECT_FALSE(app.gui.device.busy());
    EXPECT_EQ(app.gui.receivedCount(), before) << "No: not a byte goes out";
    EXPECT_EQ(note->text(), "Nothing was written.");

    app.gui.messages.answers.push_back(Messages::Answer::Yes);
    menu("mnuWrite")->trigger();
    ASSERT_TRUE(app.gui.waitForMessage("Write completed!"));
    EXPECT_EQ(app.gui.cell(30), 0) << "Yes: the zeros went out as shown";
    // The logger holds what the fields show now: the next write asks nothing.
    app.gui.messages.shown.clear();
    menu("mnuWrite")->trigger();
    ASSERT_TRUE(app.gui.waitForMessage("Write completed!"));
    EXPECT_EQ(app.gui.texts(), std::vector<std::string>{"Write completed!"});
}

// A field brought back within its limits says so in its tip and below the frames; no box
// stops the typing.
TEST_F(ConfigurationWindow, ValueBeyondAFieldsLimits_IsBroughtBackAndTold) {
    struct Case {
        const char* field;
        const char* typed;
        const char* kept;
        const char* told;
    };
    const Case cases[] = {
        {"NumEdit30", "300", "255",
         "Update Time Increment: 300 is above the highest value 255; 255 will be written."},
        {"NumEdit30", "-5", "1",
         "Update Time Increment: -5 is below the lowest value 1; 1 will be written."},
        {"NumEdit22", "-95.5", "-90",
         "Y Low Alarm: -95.5 is below the lowest value -90; -90 will "
         "be written."},
    };
    openAndRead();
    window->toggleHiddenFrames();
    ASSERT_TRUE(app.gui.activate(window));
    auto* note = window->findChild<QLabel*>("lblNote");
    for (const Case& c : cases) {
        typeOver(field(c.field), c.typed);
        QTest::keyClick(field(c.field), Qt::Key_Tab);
        EXPECT_EQ(field(c.field)->text(), c.kept) << c.typed;
        EXPECT_TRUE(field(c.field)->toolTip().startsWith(c.told))
            << field(c.field)->toolTip().toStdString();
        EXPECT_EQ(note->text(), c.told);
        EXPECT_TRUE(note->isVisible());
        typeOver(field(c.field), "3");  // a value within the limits
        QTest::keyClick(field(c.field), Qt::Key_Tab);
        EXPECT_FALSE(field(c.field)->toolTip().contains(" will be written")) << c.typed;
        EXPECT_FALSE(note->isVisible()) << c.typed;
    }
    EXPECT_EQ(app.gui.texts(), std::vector<std::string>{"Read completed!"}) << "no box";
}

// A write puts what the logger now holds into the shared record and tells the other windows;
// writes made elsewhere are followed.
TEST_F(ConfigurationWindow, WritesHereAndElsewhere_ReachTheRecordTheFieldsAndTheMarks) {
    openAndRead();
    QSignalSpy written(&app.gui.context.loggerEvents,
                       &common::ui::LoggerEvents::configurationWritten);
    typeOver(field("NumEdit30"), "7");
    typeOver(field("NumEdit14"), "30");
    typeOver(field("NumEdit62"), "600");
    menu("mnuWrite")->trigger();
    ASSERT_TRUE(app.gui.waitForMessage("Write completed!"));
    EXPECT_EQ(written.count(), 1);
    const AppState& state = app.gui.context.state;
    EXPECT_EQ(state.configuration.updateTimeIncrement, 7);
    EXPECT_EQ(state.configuration.gainX, 323);
    EXPECT_EQ(field("NumEdit14")->text(), "30") << "the field keeps what the user typed";
    EXPECT_TRUE(marks().empty());

    // Writes made elsewhere reach the fields and the record of what the logger holds, so that the
    // marks stay true; a field the user has changed meanwhile keeps the change. (That the other
    // windows put their writes into the record and tell is their own tests' to check.)
    typeOver(field("NumEdit64"), "700");  // DAC2, changed by the user
    commitEdits();
    auto& record = app.gui.context.state.configuration;
    record.dac[0] = 610;
    record.dac[1] = 650;
    record.offsetX = 0;
    emit app.gui.context.loggerEvents.configurationWritten();
    EXPECT_EQ(field("NumEdit62")->value(), 610);
    EXPECT_EQ(field("NumEdit64")->value(), 700);
    EXPECT_EQ(field("NumEdit2")->value(), 0);
    EXPECT_EQ(marks(), std::vector<std::string>{"NumEdit64"}) << "only the user's change";
    EXPECT_EQ(field("NumEdit64")->toolTip(), "The logger holds 650; Write will change it.");
}

TEST_F(ConfigurationWindow, Picture_ReadsWithoutADialogAndShowsEveryFrame) {
    app.start();
    auto* pictured = dynamic_cast<common::ui::Pictured*>(
        app.gui.frame->windows().instance(frame::WindowId::Configuration));
    ASSERT_NE(pictured, nullptr);
    pictured->prepareForPicture();
    window = qobject_cast<ui::ConfigurationWindow*>(
        app.gui.frame->windows().existing(frame::WindowId::Configuration));
    EXPECT_EQ(field("NumEdit2")->value(), 323);
    EXPECT_FALSE(text("txtSerialNumber").isEmpty());
    const std::size_t afterRead = app.gui.receivedCount();
    window->show();
    ASSERT_TRUE(app.gui.idle());
    EXPECT_EQ(app.gui.receivedCount(), afterRead) << "showing it reads no more";
    EXPECT_TRUE(frame("fraAddresses")->isVisible());
    EXPECT_TRUE(frame("fra100108")->isVisible());
    EXPECT_TRUE(app.gui.messages.shown.empty());
}

// A write ended early, by a pulled adapter or by Return (which closes the window): after any
// report, the user is told which parameters reached the logger and which did not, and the
// record holds those that did.
TEST(ConfigurationWindowInRealTime, WriteEndedEarly_SaysWhatWasWritten) {
    struct Case {
        bool unplugged;  // else Return
        const char* opening;
        const char* toComplete;
    };
    for (const Case& c :
         {Case{true, "The write did not complete (", "To complete it, choose File > Write."},
          Case{false, "The write was halted by user after ",
               "To complete it, open Configure Device and choose File > Write."}}) {
        ConfigGui app({.savedPort = "1", .realTime = true});
        app.start([](device::SimDevice& d) { d.memory().setWord(2, 500); });  // X Offset 500
        QWidget* w = openedAndRead(app);
        ASSERT_NE(w, nullptr);
        QSignalSpy written(&app.gui.context.loggerEvents,
                           &common::ui::LoggerEvents::configurationWritten);
        w->findChild<QAction*>("mnuShowDefaults")->trigger();
        w->findChild<QAction*>("mnuWrite")->trigger();
        auto* progress = w->findChild<QGroupBox*>("fraProgress");
        ASSERT_TRUE(app.gui.waitFor([&] { return progress->title() == "Writing 5"; }));
        std::string said;
        if (c.unplugged) {
            app.gui.catalogue.line(1)->unplug();
            ASSERT_TRUE(app.gui.idle());
            ASSERT_EQ(app.gui.errors.reports.size(), 1U);
            EXPECT_EQ(app.gui.errors.reports[0].source, "TimerWrite_Timer");
            EXPECT_EQ(app.gui.texts(), std::vector<std::string>{"Read completed!"}) << "one box";
            said = w->findChild<QLabel*>("lblNote")->text().toStdString();
            EXPECT_FALSE(w->findChild<NumEdit*>("NumEdit2")->property("changed").toBool());
            EXPECT_TRUE(w->findChild<QAction*>("mnuWrite")->isEnabled());
        } else {
            w->findChild<QAction*>("mnuReturn")->trigger();
            ASSERT_TRUE(app.gui.idle());
            ASSERT_TRUE(app.gui.waitFor([&] { return app.gui.texts().size() == 2; }));
            said = app.gui.texts()[1];
            EXPECT_TRUE(app.gui.errors.reports.empty());
        }
        EXPECT_TRUE(said.starts_with(c.opening)) << said;
        for (const char* part :
             {"Written: X Offset", "Not written: ", "Z Gain", "Linear Update Rate", c.toComplete}) {
            EXPECT_NE(said.find(part), std::string::npos) << part << "\n" << said;
        }
        EXPECT_EQ(app.gui.context.state.configuration.offsetX, 323) << "written: the record has it";
        EXPECT_EQ(written.count(), 1);
    }
}

TEST(ConfigurationWindowPicture, SilentOrMissingLogger_IsSkippedWithoutADialog) {
    for (const bool portSelected : {true, false}) {
        tilt::testing::GuiHarness gui;
        gui.catalogue.addSilentPort("ttyS0");
        gui.start();
        if (!portSelected) {
            gui.context.state.commPort = 0;
        }
        auto* window = gui.frame->windows().instance(frame::WindowId::Configuration);
        dynamic_cast<common::ui::Pictured*>(window)->prepareForPicture();
        EXPECT_TRUE(gui.messages.shown.empty()) << portSelected;
        EXPECT_TRUE(gui.errors.reports.empty()) << portSelected;
        EXPECT_FALSE(gui.device.busy());
        EXPECT_TRUE(window->findChild<QWidget*>("fraAddresses")->isVisibleTo(window));
    }
}

}  // namespace
}  // namespace tilt::config::ui
