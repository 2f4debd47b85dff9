// The Download window on a tiltsim's terminal, through the real serial port and in real time: a
// port that vanishes mid-download, and the same logger back under another name. The messages'
// words and the bytes of a continued download are the simulated lines' tests.
#include <gtest/gtest.h>
#include <QAction>
#include <QGroupBox>
#include <QLabel>

#include "common/error.h"
#include "e2e/tiltsim_process.h"
#include "support/gui_harness.h"

namespace tilt::logging::ui {
namespace {

constexpr int kLongWaitMs = 30000;
const QStringList kRecording = {"--preload", "linear1", "--pages", "30"};

class DownloadOnTiltsim : public ::testing::Test {
  protected:
    // Downloads from the logger at `path` into `file`, as after a connect to it.
    void startDownload(const std::string& path) {
        const int port = gui.systemPorts.addNamedPort(path);
        if (!gui.frame) {
            gui.start();
        }
        gui.context.state.commPort = static_cast<std::int16_t>(port);
        gui.frame->setDeviceCommandsEnabled(true);
        gui.action("mnuDownloadErase")->trigger();
        window = gui.openWindow("DownloadErase");
        ASSERT_NE(window, nullptr);
        gui.fileDialogs.answers.push_back(file);
        gui.messages.choiceAnswers.push_back(0);               // Continue, should it ask
        gui.messages.answers.push_back(Messages::Answer::No);  // no graph
        window->findChild<QAction*>("mnuDownload")->trigger();
    }
    bool unfinishedShown() { return window->findChild<QLabel*>("lblUnfinished")->isVisible(); }

    testing::GuiHarness gui{{.savedPort = "1", .realTime = true, .systemPorts = true}};
    QWidget* window = nullptr;
    const std::string file = (gui.context.paths.dataFiles() / "pulled.tlg").string();
};

TEST_F(DownloadOnTiltsim, TiltsimKilledMidDownload_OneMessage_AndTheSameFileContinuesIt) {
    {
        TiltsimProcess sim(kRecording);
        startDownload(sim.path());
        ASSERT_TRUE(gui.waitFor([&] {
            return window->findChild<QGroupBox*>("fraPBar")->title() == "Downloading page 5";
        }));
        sim.process().kill();  // the adapter is pulled out
        ASSERT_TRUE(QTest::qWaitFor([&] { return !gui.texts().empty(); }, kLongWaitMs));
        ASSERT_TRUE(gui.idle());
    }
    ASSERT_EQ(gui.errors.reports.size(), 1U) << "the handler's report, once";
    EXPECT_EQ(gui.errors.reports[0].number, errc::kPortLost);
    ASSERT_EQ(gui.texts().size(), 1U);
    EXPECT_TRUE(gui.texts()[0].starts_with("The connection to the logger failed at page"));
    EXPECT_TRUE(unfinishedShown());
    const std::string cut = testing::readFile(file);

    TiltsimProcess again(kRecording);  // back under another name: the same recording
    startDownload(again.path());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return std::ranges::count(gui.texts(), "Download completed!") == 1; }, kLongWaitMs));
    ASSERT_TRUE(gui.idle());
    const std::string continued = testing::readFile(file);
    EXPECT_TRUE(continued.starts_with(cut));
    EXPECT_EQ(std::count(continued.begin(), continued.end(), '\n'), 12 + 30);
    EXPECT_FALSE(unfinishedShown());
}

}  // namespace
}  // namespace tilt::logging::ui
