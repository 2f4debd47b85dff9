// The Download window on a tiltsim's terminal, through the real serial port and in real time: the
// faults of the field as a technician meets them.
#include <gtest/gtest.h>
#include <QAction>
#include <QGroupBox>
#include <QLabel>

#include <filesystem>

#include "common/error.h"
#include "e2e/tiltsim_process.h"
#include "support/gui_harness.h"

namespace tilt::logging::ui {
namespace {

using Answer = Messages::Answer;

constexpr int kLongWaitMs = 30000;
const QStringList kRecording = {"--preload", "linear1", "--pages", "30"};

class DownloadOnTiltsim : public ::testing::Test {
  protected:
    DownloadOnTiltsim() : gui({.savedPort = "1", .realTime = true, .systemPorts = true}) {}

    // The window on the logger at `path`, as after a connect to it.
    void connectTo(const std::string& path) {
        const int port = gui.systemPorts.addNamedPort(path);
        if (!gui.frame) {
            gui.start();
        }
        gui.context.state.commPort = static_cast<std::int16_t>(port);
        gui.frame->setDeviceCommandsEnabled(true);
        gui.action("mnuDownloadErase")->trigger();
        window = gui.openWindow("DownloadErase");
        ASSERT_NE(window, nullptr);
    }
    QAction* menu(const char* name) { return window->findChild<QAction*>(name); }
    // The page the window says it is downloading ("Downloading page N"); -1 before the pages.
    int pageBeingDownloaded() {
        const QString title = window->findChild<QGroupBox*>("fraPBar")->title();
        return title.startsWith("Downloading page ") ? title.mid(17).toInt() : -1;
    }
    std::string dataFile(const char* name) {
        return (gui.context.paths.dataFiles() / name).string();
    }
    // Downloads into `file`, continuing it when it holds part of this recording.
    void download(const std::string& file) {
        gui.fileDialogs.answers.push_back(file);
        gui.messages.choiceAnswers.push_back(0);     // Continue, should it ask
        gui.messages.answers.push_back(Answer::No);  // no graph
        menu("mnuDownload")->trigger();
        const auto completed = [&] {
            const auto texts = gui.texts();
            return std::find(texts.begin(), texts.end(), "Download completed!") != texts.end();
        };
        ASSERT_TRUE(QTest::qWaitFor(completed, kLongWaitMs));
        ASSERT_TRUE(gui.idle());
    }

    testing::GuiHarness gui;
    QWidget* window = nullptr;
};

// The bytes of a continued download are the download job's test; here, what the window makes of
// a real port that vanishes, and of the same logger on another one.
TEST_F(DownloadOnTiltsim, TiltsimKilledMidDownload_OneMessage_AndTheSameFileContinuesIt) {
    {
        TiltsimProcess sim(kRecording);
        ASSERT_FALSE(sim.path().empty());
        connectTo(sim.path());
        gui.fileDialogs.answers.push_back(dataFile("pulled.tlg"));
        menu("mnuDownload")->trigger();
        ASSERT_TRUE(gui.waitFor([&] { return pageBeingDownloaded() >= 5; }));
        sim.process().kill();  // the adapter is pulled out
        ASSERT_TRUE(QTest::qWaitFor([&] { return !gui.texts().empty(); }, kLongWaitMs));
        ASSERT_TRUE(gui.idle());
    }
    ASSERT_EQ(gui.errors.reports.size(), 1U) << "the handler's report, once";
    EXPECT_EQ(gui.errors.reports[0].number, errc::kPortLost);
    ASSERT_EQ(gui.texts().size(), 1U);
    EXPECT_TRUE(gui.texts()[0].starts_with("The connection to the logger failed at page"))
        << gui.texts()[0];
    EXPECT_NE(gui.texts()[0].find("choose Download again and the same file to continue."),
              std::string::npos);
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
    EXPECT_FALSE(menu("mnuDownload")->isChecked());
    EXPECT_TRUE(window->findChild<QLabel*>("lblUnfinished")->isVisible());
    const std::string cut = readFile(dataFile("pulled.tlg"));
    EXPECT_TRUE(cut.ends_with("\r\n"));

    // The adapter comes back under another name: the same recording, the same file.
    TiltsimProcess again(kRecording);
    ASSERT_FALSE(again.path().empty());
    connectTo(again.path());
    download(dataFile("pulled.tlg"));
    const std::string continued = readFile(dataFile("pulled.tlg"));
    EXPECT_TRUE(continued.starts_with(cut));
    EXPECT_EQ(std::count(continued.begin(), continued.end(), '\n'), 12 + 30);
    EXPECT_FALSE(window->findChild<QLabel*>("lblUnfinished")->isVisible());
}

}  // namespace
}  // namespace tilt::logging::ui
