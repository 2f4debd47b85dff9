#include "frame/active_screen_errors.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QTest>
#include <QWidget>

#include "support/gui_harness.h"
#include "support/recording_errors.h"

namespace tilt::frame {
namespace {

// A window's failure names the window the user has in front of them when it happens; the
// modules name themselves. (A device job's scope does the same for the job: see the device
// thread's tests.)
TEST(ActiveScreenErrors, NamesTheActiveWindowForAWindowsProcedure) {
    testing::RecordingErrors log;
    ActiveScreenErrors errors(log);
    QWidget graph;
    graph.setObjectName("Graph");
    graph.show();
    ASSERT_TRUE(testing::GuiHarness::activate(&graph));

    struct Case {
        const char* source;
        const char* screen;
        const char* logged;
    };
    for (const Case& c : {Case{"MSComm1_OnComm", "DownloadErase", "Graph"},
                          Case{"WriteDownloadPagesToFile", "General", "General"}}) {
        errors.handleError(61, c.source, c.screen, "Disk full");
        ASSERT_FALSE(log.reports.empty());
        EXPECT_EQ(log.reports.back().screen, c.logged) << c.source;
        EXPECT_EQ(log.reports.back().source, c.source);
        EXPECT_EQ(log.reports.back().number, 61);
    }

    graph.hide();
    QApplication::setActiveWindow(nullptr);
    errors.handleError(61, "MSComm1_OnComm", "DownloadErase", "Disk full");
    EXPECT_EQ(log.reports.back().screen, "DownloadErase") << "no window of ours is active";
}

}  // namespace
}  // namespace tilt::frame
