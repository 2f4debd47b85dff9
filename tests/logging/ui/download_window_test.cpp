#include <gtest/gtest.h>
#include <QLineEdit>
#include <QProgressBar>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "device/device_memory.h"
#include "support/gui_harness.h"

namespace tilt::logging::ui {
namespace {

using Answer = Messages::Answer;
using testing::GuiHarness;

std::string readFile(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

long lineCount(const std::string& file) {
    const std::string text = readFile(file);
    return std::count(text.begin(), text.end(), '\n');
}

class DownloadWindow : public ::testing::Test {
  protected:
    explicit DownloadWindow(testing::GuiOptions options = {}) : gui(std::move(options)) {}

    // A logger with a recording on port 1, connected, and the Download window open.
    void open(device::Preload preload, int pages) {
        device::SimOptions options;
        options.preload = preload;
        options.pages = pages;
        gui.catalogue.addDevice(options);
        gui.start();
        gui.frame->setDeviceCommandsEnabled(true);
        gui.action("mnuDownloadErase")->trigger();
        window = gui.openWindow("DownloadErase");
        ASSERT_NE(window, nullptr);
    }
    QAction* menu(const char* name) { return window->findChild<QAction*>(name); }
    QString box(const char* name) { return window->findChild<QLineEdit*>(name)->text(); }
    std::string dataFile(const char* name) {
        return (gui.context.paths.dataFiles() / name).string();
    }
    bool shown(const std::string& text) {
        const auto all = gui.texts();
        return std::find(all.begin(), all.end(), text) != all.end();
    }
    bool waitFor(const std::string& text) {
        return gui.waitFor([&] { return shown(text); }) && gui.idle();
    }
    std::size_t bytesSent() {
        return gui.catalogue.line(1)->withDevice(
            [](device::SimDevice* d) { return d->rxLog().size(); });
    }

    GuiHarness gui;
    QWidget* window = nullptr;
};

TEST_F(DownloadWindow, LinearDownload_WritesTheFileAndItsCsvAndAsksAboutTheGraph) {
    open(device::Preload::Linear3, 12);
    gui.fileDialogs.answers.push_back(dataFile("walk.tlg"));
    gui.messages.answers.push_back(Answer::No);
    menu("mnuDownload")->trigger();
    ASSERT_TRUE(waitFor("Would you like to graph this download immediately?"));

    EXPECT_EQ(gui.texts(),
              (std::vector<std::string>{"Download completed!",
                                        "Would you like to graph this download immediately?"}));
    ASSERT_EQ(gui.fileDialogs.requests.size(), 1U);
    EXPECT_EQ(gui.fileDialogs.requests[0].selectedFilter, "TLG Files (*.tlg)");
    EXPECT_EQ(gui.fileDialogs.requests[0].folder, gui.context.paths.dataFiles().string());
    EXPECT_EQ(lineCount(dataFile("walk.tlg")), 12 + 12);
    EXPECT_EQ(lineCount(dataFile("walk.csv")), 12 + 12 * 132);
    EXPECT_EQ(box("txtMode"), "Linear");
    EXPECT_EQ(box("txtChannels"), "3");
    EXPECT_FALSE(menu("mnuDownload")->isChecked());
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
    EXPECT_EQ(gui.context.state.DownloadPage, 13);
    EXPECT_TRUE(gui.context.state.EndOfData);
    EXPECT_FALSE(gui.context.state.GraphAfterDownload);
    EXPECT_EQ(gui.context.state.DataFileName, dataFile("walk.tlg")) << "No keeps the file name";
    EXPECT_TRUE(gui.errors.reports.empty());
}

TEST_F(DownloadWindow, YesToTheGraph_OpensTheGraphOnTheNewFileWithoutADialog) {
    open(device::Preload::Bin, 4);
    gui.fileDialogs.answers.push_back(dataFile("bins.tlg"));
    gui.messages.answers.push_back(Answer::Yes);
    menu("mnuDownload")->trigger();
    ASSERT_TRUE(waitFor("Would you like to graph this download immediately?"));
    EXPECT_EQ(gui.context.state.GraphFileName, dataFile("bins.tlg"));
    EXPECT_TRUE(gui.context.state.DataFileName.empty());
    EXPECT_EQ(box("txtMode"), "Bin");
    EXPECT_FALSE(std::filesystem::exists(dataFile("bins.csv")));

    QWidget* graph = gui.openWindow("Graph");
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->findChild<QLineEdit*>("txtFileName")->text().toStdString(),
              dataFile("bins.tlg"));
    EXPECT_EQ(graph->findChild<QLineEdit*>("txtPageNumberX")->text(), "1");
    EXPECT_FALSE(gui.context.state.GraphAfterDownload) << "the hand-off is used once";
    EXPECT_EQ(gui.fileDialogs.requests.size(), 1U) << "only the save dialog of the download";
    EXPECT_TRUE(gui.errors.reports.empty());
}

TEST_F(DownloadWindow, CancelledDialog_TransfersNothing) {
    open(device::Preload::Linear1, 4);
    menu("mnuDownload")->trigger();  // no dialog answer: cancelled
    ASSERT_TRUE(waitFor("Download operation cancelled!"));
    EXPECT_EQ(bytesSent(), 2U * 2 + 2 + 10 * 2 + 16 * 2) << "the parameter queries only";
    EXPECT_FALSE(gui.context.state.SaveLiveReadings);
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
}

TEST_F(DownloadWindow, SilentLogger_FailsAtTheModeStep) {
    gui.catalogue.addSilentPort("ttyS0");
    gui.start();
    gui.action("mnuDownloadErase")->trigger();
    window = gui.openWindow("DownloadErase");
    menu("mnuDownload")->trigger();
    ASSERT_TRUE(waitFor("Download MODE parameters were not retrieved! Download failed!"));
    EXPECT_TRUE(gui.fileDialogs.requests.empty());
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
}

TEST_F(DownloadWindow, PartialFileOfTheSameLogger_IsResumedToTheSameContent) {
    open(device::Preload::Linear2, 15);
    gui.fileDialogs.answers.push_back(dataFile("whole.tlg"));
    menu("mnuDownload")->trigger();
    ASSERT_TRUE(waitFor("Would you like to graph this download immediately?"));
    const std::string whole = readFile(dataFile("whole.tlg"));

    // The same download cut off after page 9, in the middle of page 10's line.
    const auto cut = whole.find("\r\n10,");
    ASSERT_NE(cut, std::string::npos);
    std::ofstream(dataFile("cut.tlg"), std::ios::binary) << whole.substr(0, cut + 2) << "10,1.4,2";
    gui.messages.shown.clear();
    gui.fileDialogs.answers.push_back(dataFile("cut.tlg"));
    gui.messages.answers.push_back(Answer::Yes);  // continue after page 9
    menu("mnuDownload")->trigger();
    ASSERT_TRUE(waitFor("Download completed!"));
    EXPECT_NE(gui.texts().front().find("pages 1 to 9"), std::string::npos) << gui.texts().front();
    EXPECT_TRUE(readFile(dataFile("cut.tlg")) == whole) << "the resumed file differs";
}

TEST_F(DownloadWindow, UnwritableFile_ReportsEachLineAndTheDownloadGoesOn) {
    open(device::Preload::Linear1, 3);
    const std::string nowhere = (gui.context.paths.root / "no such folder" / "x.tlg").string();
    gui.fileDialogs.answers.push_back(nowhere);
    menu("mnuDownload")->trigger();
    ASSERT_TRUE(waitFor("Would you like to graph this download immediately?"));
    ASSERT_EQ(gui.errors.reports.size(), 3U + 1U) << "three page lines and the CSV";
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(gui.errors.reports[static_cast<std::size_t>(i)].source,
                  "WriteDownloadPagesToFile");
        EXPECT_EQ(gui.errors.reports[static_cast<std::size_t>(i)].screen, "General");
    }
    EXPECT_EQ(gui.errors.reports[3].source, "MakeLinearCSV");
    EXPECT_EQ(gui.context.state.DownloadPage, 4) << "every page was fetched all the same";
}

TEST_F(DownloadWindow, Erase_AsksThenCountsTo2050) {
    open(device::Preload::Linear1, 4);
    menu("mnuErase")->trigger();  // answered No
    EXPECT_EQ(bytesSent(), 0U);
    gui.messages.answers.push_back(Answer::Yes);
    menu("mnuErase")->trigger();
    ASSERT_TRUE(waitFor("Erase completed!"));
    EXPECT_EQ(gui.texts().front(),
              "All on-board data will be erased!\r\nClick YES to proceed.\r\nClick NO to cancel "
              "this operation.");
    EXPECT_FALSE(menu("mnuErase")->isChecked());
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
    EXPECT_EQ(window->findChild<QProgressBar*>("PBarErase")->value(), 0);
}

TEST_F(DownloadWindow, ActivationLocksTheBar_ReturnUnlocksItAndCloses) {
    open(device::Preload::Linear1, 4);
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_FALSE(gui.barItem(1)->isEnabled());
    EXPECT_FALSE(gui.barItem(4)->isEnabled());
    gui.context.state.SaveLiveReadings = true;
    menu("mnuReturn")->trigger();
    EXPECT_EQ(gui.openWindow("DownloadErase"), nullptr);
    for (int item = 1; item <= 4; ++item) {
        EXPECT_TRUE(gui.barItem(item)->isEnabled()) << item;
    }
    EXPECT_FALSE(gui.context.state.SaveLiveReadings);
}

class DownloadWindowInRealTime : public DownloadWindow {
  protected:
    DownloadWindowInRealTime() : DownloadWindow({.savedPort = "1", .realTime = true}) {}
};

TEST_F(DownloadWindowInRealTime, SecondClick_StopsTheDownloadQuietlyKeepingItsLines) {
    open(device::Preload::Linear1, 40);
    gui.fileDialogs.answers.push_back(dataFile("stopped.tlg"));
    menu("mnuDownload")->trigger();
    ASSERT_TRUE(gui.waitFor([&] { return gui.context.state.DownloadPage >= 3; }));
    EXPECT_TRUE(menu("mnuDownload")->isChecked());
    menu("mnuDownload")->trigger();
    ASSERT_TRUE(gui.idle());
    EXPECT_TRUE(gui.messages.shown.empty());
    EXPECT_FALSE(menu("mnuDownload")->isChecked());
    EXPECT_TRUE(gui.context.state.DataFileName.empty());
    const long lines = lineCount(dataFile("stopped.tlg"));
    EXPECT_GE(lines, 12 + 2);
    EXPECT_LT(lines, 12 + 40);
    EXPECT_FALSE(std::filesystem::exists(dataFile("stopped.csv")));
}

TEST_F(DownloadWindowInRealTime, SecondClickOnErase_HaltsIt) {
    open(device::Preload::Linear1, 4);
    gui.messages.answers.push_back(Answer::Yes);
    menu("mnuErase")->trigger();
    ASSERT_TRUE(menu("mnuErase")->isChecked());
    EXPECT_FALSE(menu("mnuDownload")->isEnabled()) << "no download during an erase";
    menu("mnuErase")->trigger();
    ASSERT_TRUE(waitFor("Erase halted by user! Erase may not be complete."));
    EXPECT_FALSE(menu("mnuErase")->isChecked());
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
}

}  // namespace
}  // namespace tilt::logging::ui
