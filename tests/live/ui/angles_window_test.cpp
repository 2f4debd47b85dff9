#include "live/ui/angles_window.h"

#include <gtest/gtest.h>
#include <QDial>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

#include "common/number_text.h"
#include "link/protocol.h"
#include "live/ui/live_window_support.h"
#include "live/ui/strip_chart.h"
#include "logging/data_file.h"

namespace tilt::live::ui {
namespace {

using testing::fileLines;
using testing::repliesSent;

constexpr double kByteMs = 10.0 / 19200.0 * 1000.0;
// A reading costs the request byte, the four reply bytes and the device's reply delay.
constexpr double kReadingsPerSecondBound = 1000.0 / (5 * kByteMs + 0.3);

link::AngleReading decoded(const std::vector<std::uint8_t>& reply) {
    return *link::decodeAngles(reply);
}

class AnglesWindow : public testing::LiveGui {
  protected:
    ui::AnglesWindow* openAngles() { return open<ui::AnglesWindow>("Angles"); }
    int dial(const char* name) const { return control<QDial>(name)->value(); }
    const StripChart& chart() const { return *control<StripChart>("fraStripChart"); }
    std::vector<std::string> dataLines(const std::string& file) const {
        return LiveGui::dataLines(file, logging::kAngles);
    }
};

TEST_F(AnglesWindow, SamplingShowsTheReadingsAtItsPace_TareButtonsWriteThroughTheLoop) {
    start();
    gui.context.state.configuration.tareX = 12.5;
    gui.context.state.configuration.tareY = -3;
    openAngles();
    EXPECT_EQ(window->windowTitle(), "Angles");
    EXPECT_EQ(text("txtTareX"), "12.5");
    EXPECT_EQ(text("txtTareY"), "-3");
    for (const auto& [name, caption] :
         {std::pair{"cmdTareX", "Untare X"}, {"cmdTareY", "Untare Y"}}) {
        EXPECT_EQ(button(name)->text(), caption);
        EXPECT_FALSE(button(name)->isEnabled()) << name;
    }
    for (const auto& [name, title] : {std::pair{"fraAngles", "Angles"},
                                      {"fraRawWord", "Raw Word"},
                                      {"fraTare", "Tare"},
                                      {"fraX", "X Axis"},
                                      {"fraY", "Y Axis"}}) {
        EXPECT_EQ(control<QGroupBox>(name)->title(), title);
    }
    EXPECT_FALSE(menu("mnuSave")->isChecked());

    sampleUntilReadings();
    EXPECT_TRUE(menu("mnuSample")->isChecked());
    EXPECT_FALSE(menu("mnuSave")->isEnabled());
    EXPECT_TRUE(button("cmdTareX")->isEnabled());
    EXPECT_TRUE(button("cmdTareY")->isEnabled());
    // Boxes and dials show one reading: its raw words as received, decoded.
    const auto wordX = static_cast<std::uint16_t>(std::stoi(text("txtWordX")));
    const auto wordY = static_cast<std::uint16_t>(std::stoi(text("txtWordY")));
    const auto shown =
        decoded({static_cast<std::uint8_t>(wordX >> 8), static_cast<std::uint8_t>(wordX & 255),
                 static_cast<std::uint8_t>(wordY >> 8), static_cast<std::uint8_t>(wordY & 255)});
    EXPECT_EQ(std::stod(text("txtX")), shown.angleX);
    EXPECT_EQ(std::stod(text("txtY")), shown.angleY);
    EXPECT_EQ(dial("dialX"), std::lround(shown.angleX * 10));
    EXPECT_EQ(dial("dialY"), std::lround(shown.angleY * 10));

    // The rate shown is the device's pace (in the simulated line's time).
    ASSERT_TRUE(gui.waitFor([&] { return chart().history().points().size() > 1000; }));
    const QString rate = control<QLabel>("lblRate")->text();
    ASSERT_TRUE(rate.endsWith(" readings/s")) << rate.toStdString();
    const double perSecond = rate.section(' ', 0, 0).toDouble();
    EXPECT_GE(perSecond, 0.9 * kReadingsPerSecondBound);
    EXPECT_LE(perSecond, 1.01 * kReadingsPerSecondBound);

    stopSampling();
    EXPECT_FALSE(menu("mnuSample")->isChecked());
    EXPECT_TRUE(menu("mnuSave")->isEnabled());
    EXPECT_EQ(text("txtX"), "");
    EXPECT_EQ(text("txtY"), "");
    EXPECT_EQ(dial("dialX"), 0);
    EXPECT_EQ(dial("dialY"), 0);
    EXPECT_FALSE(button("cmdTareX")->isEnabled());
    EXPECT_FALSE(button("cmdTareY")->isEnabled());
    EXPECT_TRUE(gui.errors.reports.empty());

    // Untare writes noughts into the axis's cells, tare the raw word last received, through the
    // running loop (whose own tests hold the bytes, pauses and which word is taken); the button
    // says what the next click does and waits for the loop.
    struct Case {
        const char* button;
        const char* axis;
        int cell;
    };
    sampleUntilReadings();
    for (const Case& c : {Case{"cmdTareX", "X", 14}, Case{"cmdTareY", "Y", 16}}) {
        const std::string axis = c.axis;
        const std::string tareBox = "txtTare" + axis;
        const double& stateTare = axis == "X" ? gui.context.state.configuration.tareX
                                              : gui.context.state.configuration.tareY;
        QPushButton* tare = button(c.button);

        gui.context.state.configuration.tareX = gui.context.state.configuration.tareY = 7;
        QTest::mouseClick(tare, Qt::LeftButton);
        EXPECT_EQ(tare->text().toStdString(), "Tare " + axis);
        EXPECT_FALSE(tare->isEnabled()) << "until the loop has written the cells";
        ASSERT_TRUE(gui.waitFor([&] { return tare->isEnabled(); }));
        EXPECT_EQ(stateTare, 0);
        EXPECT_EQ(text(tareBox.c_str()), "0");

        QTest::mouseClick(tare, Qt::LeftButton);
        EXPECT_EQ(tare->text().toStdString(), "Untare " + axis);
        ASSERT_TRUE(gui.waitFor([&] { return tare->isEnabled(); }));
        // The angle of the word now in the cells, on the axis's own scale.
        const std::uint8_t word[2] = {gui.cell(c.cell), gui.cell(c.cell + 1)};
        const auto r = axis == "X" ? decoded({word[0], word[1], 0, 0}).angleX
                                   : decoded({0, 0, word[0], word[1]}).angleY;
        EXPECT_EQ(stateTare, r);
        EXPECT_EQ(std::stod(text(tareBox.c_str())), r);
    }
    stopSampling();
    EXPECT_TRUE(gui.errors.reports.empty());
}

// Held still, the simulated logger shows its attitude: the words as they come, the angles rounded
// to a tenth, the dials in tenths. (Which words give which angles, and how a number is written in
// the user's locale, are the reply decoder's and localeNumber's tests.) On a noisy line, the rate
// line says how many replies were asked again.
TEST_F(AnglesWindow, HeldStillOnANoisyLine_ShowsTheWordsAndAngles_AndTheRepliesAskedAgain) {
    simOptions.attitude = device::FixedAttitude{22.5, -45.3};
    simOptions.faults = {.lose = 0.02, .shortReply = 0.02};
    openAngles();
    sampleUntilReadings();
    EXPECT_EQ(text("txtWordX"), "4096");
    EXPECT_EQ(text("txtWordY"), "49043");
    EXPECT_EQ(text("txtX"), "22.5");
    EXPECT_EQ(text("txtY"), "-45.3");
    EXPECT_EQ(dial("dialX"), 225);
    EXPECT_EQ(dial("dialY"), -453);
    const auto rate = [&] { return control<QLabel>("lblRate")->text(); };
    ASSERT_TRUE(gui.waitFor([&] { return rate().contains("asked again"); }));
    EXPECT_TRUE(QRegularExpression("^\\d+ readings/s, (1 reply|\\d+ replies) asked again$")
                    .match(rate())
                    .hasMatch())
        << rate().toStdString();
    stopSampling();
}

TEST_F(AnglesWindow, Save_RecordsEveryReadingTheDeviceSent_WithPointsWhateverTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    openAngles();
    const std::string file = dataFile("angles.tlg");
    gui.fileDialogs.answers.emplace_back(file);
    menu("mnuSave")->trigger();
    EXPECT_TRUE(menu("mnuSave")->isChecked());
    EXPECT_TRUE(gui.context.state.saveLiveReadings);
    EXPECT_EQ(gui.context.state.dataFile, file);
    EXPECT_TRUE(dataLines(file).empty()) << "the header only";

    int repaints = 0;
    QObject::connect(control<QLineEdit>("txtWordX"), &QLineEdit::textChanged, [&] { ++repaints; });
    QElapsedTimer elapsed;
    elapsed.start();
    sampleUntilReadings();
    const auto shownX = [&] { return QLocale().toDouble(QString::fromStdString(text("txtX"))); };
    ASSERT_TRUE(gui.waitFor([&] { return std::abs(shownX()) >= 1; }));
    // The boxes speak the user's locale; the file keeps its points.
    const std::string x = text("txtX");
    EXPECT_EQ(x.find('.'), std::string::npos) << x;
    QTest::qWait(100);
    const qint64 sampledMs = elapsed.elapsed();
    stopSampling();
    QLocale::setDefault(before);
    // The boxes are shown the newest reading at most once a frame, however fast they come.
    EXPECT_LE(repaints, sampledMs / 16 + 3);

    const auto lines = dataLines(file);
    ASSERT_GT(lines.size(), 100U);
    EXPECT_GT(lines.size(), 10U * static_cast<std::size_t>(repaints));
    const auto replies = repliesSent(received(), simOptions, link::kAnglesReplyBytes);
    double previous = -1;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const auto r = decoded(replies[k]);
        const std::string time = lines[k].substr(0, lines[k].find(','));
        ASSERT_EQ(lines[k], time + "," + numberText(r.angleX) + "," + numberText(r.angleY))
            << "line " << k;
        EXPECT_GE(std::stod(time), previous);
        previous = std::stod(time);
    }
    EXPECT_TRUE(gui.errors.reports.empty());

    // Save unchecked: the next run records nothing.
    menu("mnuSave")->trigger();
    EXPECT_FALSE(menu("mnuSave")->isChecked());
    EXPECT_FALSE(gui.context.state.saveLiveReadings);
    sampleUntilReadings();
    stopSampling();
    EXPECT_EQ(dataLines(file).size(), lines.size());
}

TEST_F(AnglesWindow, SaveCancelledOrReturn_RecordNothing_AndTheWindowOpensAfresh) {
    openAngles();
    menu("mnuSave")->trigger();  // the dialog is cancelled
    EXPECT_EQ(gui.fileDialogs.requests.size(), 1U);
    EXPECT_FALSE(menu("mnuSave")->isChecked());
    EXPECT_FALSE(gui.context.state.saveLiveReadings);
    sampleUntilReadings();
    stopSampling();
    const auto folder = gui.context.paths.dataFiles();
    EXPECT_TRUE(!std::filesystem::exists(folder) || std::filesystem::is_empty(folder));

    // Return stops sampling and recording.
    const std::string file = dataFile("angles.tlg");
    gui.fileDialogs.answers.emplace_back(file);
    menu("mnuSave")->trigger();
    sampleUntilReadings();
    returnFromWindow("Angles");
    EXPECT_FALSE(gui.context.state.saveLiveReadings);
    ASSERT_TRUE(gui.idle());
    const std::size_t sent = received().size();
    const std::size_t recorded = fileLines(file).size();
    QTest::qWait(50);
    EXPECT_EQ(received().size(), sent) << "the requests go on";
    EXPECT_EQ(fileLines(file).size(), recorded) << "the recording goes on";

    gui.context.state.configuration.tareX = 1.5;
    openAngles();
    EXPECT_FALSE(menu("mnuSave")->isChecked());
    EXPECT_FALSE(menu("mnuSample")->isChecked());
    EXPECT_EQ(text("txtTareX"), "1.5");
    EXPECT_EQ(button("cmdTareX")->text(), "Untare X");
}

}  // namespace
}  // namespace tilt::live::ui
