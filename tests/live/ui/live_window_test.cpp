// What both live windows say when their sampling ends by itself or the logger falls silent.
#include "live/ui/live_window.h"

#include <gtest/gtest.h>
#include <QLabel>

#include "common/error.h"
#include "live/live_sampling.h"
#include "live/ui/live_window_support.h"

namespace tilt::live::ui {
namespace {

using LiveWindowEnds = testing::LiveGui;

// A pulled adapter: the error handler reports it once, and the status line then says what is
// left and what to do; no second box.
TEST_F(LiveWindowEnds, AdapterPulledOutOrSilentLogger_TheStatusLineSaysWhatToDo) {
    struct Case {
        const char* window;
        const char* recordTo;  // a data file being recorded, if any
    };
    start();
    for (const Case& c : {Case{"Angles", nullptr}, Case{"Accelerometers", "counts.tlg"}}) {
        gui.errors.reports.clear();
        open<LiveWindow>(c.window);
        std::string file;
        if (c.recordTo != nullptr) {
            file = dataFile(c.recordTo);
            gui.fileDialogs.answers.emplace_back(file);
            menu("mnuSave")->trigger();
        }
        sampleUntilReadings();
        gui.catalogue.line(1)->unplug();
        ASSERT_TRUE(gui.waitFor([&] { return !menu("mnuSample")->isChecked(); })) << c.window;
        ASSERT_TRUE(gui.idle());
        ASSERT_EQ(gui.errors.reports.size(), 1U) << c.window;
        EXPECT_EQ(gui.errors.reports[0].number, errc::kPortLost);
        EXPECT_TRUE(gui.messages.shown.empty()) << c.window;
        std::string expected = samplingEndText(LiveEnd::PortFailed, "choose File > Sample again");
        if (c.recordTo != nullptr) {
            expected += " The readings until then are in " + file + ".";
        }
        EXPECT_EQ(status(), expected);
        EXPECT_TRUE(menu("mnuSample")->isEnabled());
        gui.catalogue.line(1)->plugIn();
        returnFromWindow(c.window);
    }

    // A logger that stops answering: the loop keeps asking and the status line says why nothing
    // moves, until the user stops.
    gui.errors.reports.clear();
    for (const char* name : {"Angles", "Accelerometers"}) {
        open<LiveWindow>(name);
        sampleUntilReadings();
        gui.catalogue.line(1)->withDevice([&](device::SimDevice* d) {
            const auto now = gui.clock.now();
            d->silenceBetween(now, now + std::chrono::hours(24 * 365));
        });
        const std::string told =
            silentDeviceText(true) + " Sampling goes on until you choose File > Sample.";
        ASSERT_TRUE(gui.waitFor([&] { return status() == told; })) << name << ": " << status();
        EXPECT_TRUE(menu("mnuSample")->isChecked());
        EXPECT_EQ(control<QLabel>("lblRate")->text(), "") << "no pace to tell";
        stopSampling();
        EXPECT_EQ(status(), "") << "stopped by the user: waiting is over";
        EXPECT_TRUE(gui.errors.reports.empty());
        EXPECT_TRUE(gui.messages.shown.empty());
        gui.catalogue.line(1)->withDevice(
            [&](device::SimDevice* d) { d->silenceBetween(gui.clock.now(), gui.clock.now()); });
        returnFromWindow(name);
    }
}

}  // namespace
}  // namespace tilt::live::ui
