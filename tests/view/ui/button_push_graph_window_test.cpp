#include "view/ui/button_push_graph_window.h"

#include <gtest/gtest.h>
#include <QLineEdit>
#include <QPushButton>

#include "support/gui_harness.h"
#include "view/plot/plot_control.h"
#include "view/ui/graph_test_files.h"

namespace tilt::view::ui {
namespace {

using testing::GraphTestFiles;

class GraphBPWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        gui.start();
        window = qobject_cast<ButtonPushGraphWindow*>(
            gui.frame->windows().show(frame::WindowId::ButtonPushGraph));
        ASSERT_NE(window, nullptr);
        files.folder = gui.root.path().toStdString();
    }
    QLineEdit* edit(const char* name) { return window->findChild<QLineEdit*>(name); }
    QString box(const char* name) { return edit(name)->text(); }
    QString showAllCaption() { return window->findChild<QPushButton*>("cmdShowAll")->text(); }
    void open(const std::string& file) {
        gui.fileDialogs.answers.push_back(file);
        window->chooseAndOpenFile();
    }
    // The X position of every cursor of both graphs, which must agree.
    std::vector<double> cursorsAt() {
        std::vector<double> at;
        EXPECT_EQ(window->graphX().cursorCount(), window->graphY().cursorCount());
        for (int c = 1; c <= window->graphX().cursorCount(); ++c) {
            at.push_back(window->graphX().cursorPosition(c).x());
            EXPECT_EQ(window->graphY().cursorPosition(c), window->graphX().cursorPosition(c));
        }
        return at;
    }

    testing::GuiHarness gui;
    GraphTestFiles files;
    ButtonPushGraphWindow* window = nullptr;
};

TEST_F(GraphBPWindow, TwoPushes_OpenOnTheFirst_TheArrowsStepBetweenThem_ShowAllMarksThemAll) {
    EXPECT_EQ(window->windowTitle(), "Graph Button Pushes");
    // Pushes at samples 40 and 300 (page 1 pair 40, page 3 pair 36).
    open(files.write("pushes.tlg",
                     GraphTestFiles::linearHeader(3) + GraphTestFiles::pairLine(1, 1, {40}) +
                         GraphTestFiles::pairLine(2, 1) + GraphTestFiles::pairLine(3, 1, {36})));
    EXPECT_EQ(window->pushes(), (ButtonPushList{40, 300}));
    EXPECT_EQ(box("txtBPNumber"), "0");
    EXPECT_EQ(box("txtBPValue"), "40");
    EXPECT_EQ(cursorsAt(), std::vector<double>{40});
    EXPECT_EQ(window->graphX().pointCount(), 3 * 132 + 1);
    EXPECT_EQ(window->graphX().point(40).y(), 0) << "a push dips to 0";
    EXPECT_EQ(window->graphX().axisRange(PlotControl::kXAxis), QCPRange(0, 396));

    window->showNextPush();
    EXPECT_EQ(box("txtBPNumber"), "1");
    EXPECT_EQ(box("txtBPValue"), "300");
    EXPECT_EQ(cursorsAt(), std::vector<double>{300});
    window->showNextPush();
    EXPECT_EQ(box("txtBPNumber"), "1");
    window->showPreviousPush();
    window->showPreviousPush();
    EXPECT_EQ(box("txtBPNumber"), "0");
    EXPECT_EQ(box("txtBPValue"), "40");
    EXPECT_TRUE(gui.texts().empty());

    // Show All puts a cursor on every push, plus a spare; Hide All leaves one.
    window->showNextPush();
    window->toggleAllPushes();
    EXPECT_EQ(showAllCaption(), "Hide All");
    EXPECT_EQ(cursorsAt(), (std::vector<double>{40, 300, 0}));
    EXPECT_FALSE(window->graphX().hasDefaultLook(1));
    EXPECT_FALSE(window->graphX().hasDefaultLook(2));
    EXPECT_TRUE(window->graphX().hasDefaultLook(3)) << "the spare keeps its look";

    window->showPreviousPush();  // moves cursor 1 only
    EXPECT_EQ(cursorsAt(), (std::vector<double>{40, 300, 0}));
    window->showNextPush();
    EXPECT_EQ(cursorsAt(), (std::vector<double>{300, 300, 0}));

    window->toggleAllPushes();
    EXPECT_EQ(showAllCaption(), "Show All");
    EXPECT_EQ(cursorsAt(), std::vector<double>{300});
    EXPECT_FALSE(window->graphY().hasDefaultLook(1));

    // A typed number outside the list goes to the nearest push.
    for (const char* typed : {"7", "-3", "abc", "1e9"}) {
        edit("txtBPNumber")->setText(typed);
        window->showPreviousPush();
        const QString back = box("txtBPNumber");
        edit("txtBPNumber")->setText(typed);
        window->showNextPush();
        const QString forward = box("txtBPNumber");
        EXPECT_TRUE(back == "0" || back == "1") << typed;
        EXPECT_TRUE(forward == "0" || forward == "1") << typed;
    }
    edit("txtBPNumber")->setText("7");
    window->showPreviousPush();
    EXPECT_EQ(box("txtBPNumber"), "1");
    EXPECT_EQ(box("txtBPValue"), "300");
    EXPECT_TRUE(gui.errors.reports.empty());
}

// Which headers are two-channel linear downloads is the header reader's test; here, what the
// window says of each answer.
TEST_F(GraphBPWindow, OnlyTwoChannelLinearDownloadsAreShown) {
    const std::string refused = "This Veltrimonic Download is not supported in Button Mode!";
    open(
        files.write("one.tlg", GraphTestFiles::linearHeader(1) + GraphTestFiles::sampleLine(1, 5)));
    open(files.write("empty.tlg", ""));
    std::string cut = GraphTestFiles::linearHeader(3);
    open(files.write("cut.tlg", cut.erase(cut.rfind("Page,"))));
    EXPECT_EQ(gui.texts(),
              (std::vector<std::string>{refused, "This is not a Veltrimonic Download file!",
                                        "End of data file has been reached!"}));
    EXPECT_EQ(window->graphX().pointCount(), 0);
}

TEST_F(GraphBPWindow, WithoutAFileOrAPush_TheButtonsSaySoOrStay) {
    window->showPreviousPush();
    window->showNextPush();
    window->toggleAllPushes();
    EXPECT_EQ(gui.texts(), std::vector<std::string>(3, "No data file has been selected!"));
    EXPECT_EQ(showAllCaption(), "Show All");

    window->chooseAndOpenFile();  // cancelled
    ASSERT_EQ(gui.errors.reports.size(), 1U);
    EXPECT_EQ(gui.errors.reports[0].source, "mnuOpen_Click");
    EXPECT_EQ(gui.errors.reports[0].screen, "GraphBP");
    EXPECT_EQ(gui.errors.reports[0].number, 32755);

    // A file without pushes: point zero, the arrows do nothing, Show All adds the spare.
    open(files.write("none.tlg", GraphTestFiles::linearHeader(3) + GraphTestFiles::pairLine(1, 5)));
    EXPECT_EQ(window->pushes(), ButtonPushList{0});
    EXPECT_EQ(box("txtBPNumber"), "0");
    EXPECT_EQ(box("txtBPValue"), "0");
    window->showNextPush();
    window->showPreviousPush();
    EXPECT_EQ(box("txtBPNumber"), "0");
    window->toggleAllPushes();
    EXPECT_EQ(cursorsAt(), (std::vector<double>{0, 0}));
    EXPECT_TRUE(window->graphX().hasDefaultLook(2));
}

}  // namespace
}  // namespace tilt::view::ui
