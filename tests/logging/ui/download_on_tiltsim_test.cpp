// The Download window on a tiltsim's terminal, through the real serial port and in real time: the
// faults of the field as a technician meets them.
#include <gtest/gtest.h>
#include <QAction>
#include <QLabel>

#include <signal.h>

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
    std::string dataFile(const char* name) {
        return (gui.context.paths.dataFiles() / name).string();
    }
    // Downloads into `file`, continuing it when it holds part of this recording.
    void download(const std::string& file) {
        const auto completed = [&] {
            const auto texts = gui.texts();
            return std::count(texts.begin(), texts.end(), "Download completed!");
        };
        const auto before = completed();
        gui.fileDialogs.answers.push_back(file);
        gui.messages.choiceAnswers.push_back(0);     // Continue, should it ask
        gui.messages.answers.push_back(Answer::No);  // no graph
        menu("mnuDownload")->trigger();
        ASSERT_TRUE(QTest::qWaitFor([&] { return completed() > before; }, kLongWaitMs));
        ASSERT_TRUE(gui.idle());
    }

    testing::GuiHarness gui;
    QWidget* window = nullptr;
};

TEST_F(DownloadOnTiltsim,
       TiltsimKilledMidDownload_OneMessage_AndTheSameFileContinuesItByteForByte) {
    std::string pulledAt;
    {
        TiltsimProcess sim(kRecording);
        ASSERT_FALSE(sim.path().empty());
        connectTo(sim.path());
        gui.fileDialogs.answers.push_back(dataFile("pulled.tlg"));
        menu("mnuDownload")->trigger();
        ASSERT_TRUE(gui.waitFor([&] { return gui.context.state.downloadPage >= 5; }));
        EXPECT_FALSE(menu("mnuErase")->isEnabled());
        EXPECT_FALSE(gui.action("mnuLaunch")->isEnabled());
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
    EXPECT_TRUE(menu("mnuErase")->isEnabled());
    EXPECT_TRUE(gui.action("mnuLaunch")->isEnabled());
    EXPECT_TRUE(window->findChild<QLabel*>("lblUnfinished")->isVisible());
    const std::string cut = readFile(dataFile("pulled.tlg"));
    EXPECT_TRUE(cut.ends_with("\r\n"));

    // The adapter comes back under another name: the same recording, the same file.
    TiltsimProcess again(kRecording);
    ASSERT_FALSE(again.path().empty());
    connectTo(again.path());
    download(dataFile("pulled.tlg"));
    const auto log = receivedLog(again);
    download(dataFile("whole.tlg"));
    EXPECT_TRUE(readFile(dataFile("pulled.tlg")) == readFile(dataFile("whole.tlg")))
        << "the continued file differs";
    EXPECT_TRUE(readFile(dataFile("pulled.tlg")).starts_with(cut));
    EXPECT_FALSE(window->findChild<QLabel*>("lblUnfinished")->isVisible());

    // The continued transfer asked for page 0 first: after the parameter queries (58 bytes) and
    // the question's two page requests, its own first request is 'd', 0, 0.
    ASSERT_GT(log.size(), 58U + 12U);
    const auto request = [&](std::size_t at) {
        return std::vector<int>{log[at].value, log[at + 1].value, log[at + 2].value};
    };
    EXPECT_EQ(request(58), (std::vector<int>{'d', 0, 0}));
    EXPECT_EQ(request(64), (std::vector<int>{'d', 0, 0}));
    EXPECT_EQ(request(67)[0], 'd');
    EXPECT_EQ(request(67)[2], request(61)[2]) << "then the page after the file's last one";
}

// A logger that stops (SIGSTOP) during an erase and during a launch: each ends with one message
// that says what is safe and what to do, and the menus come back.
TEST_F(DownloadOnTiltsim, LoggerStoppedDuringAnEraseAndALaunch_EachEndsWithOneMessage) {
    TiltsimProcess sim(kRecording);
    ASSERT_FALSE(sim.path().empty());
    const auto pid = static_cast<pid_t>(sim.process().processId());
    connectTo(sim.path());

    gui.messages.answers.push_back(Answer::Yes);
    menu("mnuErase")->trigger();
    auto* stalled = window->findChild<QLabel*>("lblEraseStalled");
    ASSERT_TRUE(gui.waitFor([&] { return menu("mnuErase")->isChecked(); }));
    QTest::qWait(1000);
    ::kill(pid, SIGSTOP);
    ASSERT_TRUE(QTest::qWaitFor([&] { return stalled->isVisible(); }, kLongWaitMs));
    EXPECT_FALSE(menu("mnuDownload")->isEnabled());
    menu("mnuErase")->trigger();  // the user stops it
    ASSERT_TRUE(gui.waitFor([&] { return gui.texts().size() == 2; }));
    ASSERT_TRUE(gui.idle());
    EXPECT_EQ(gui.texts()[1], "Erase halted by user! Erase may not be complete.");
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
    ::kill(pid, SIGCONT);

    TiltsimProcess other(kRecording);
    ASSERT_FALSE(other.path().empty());
    const auto otherPid = static_cast<pid_t>(other.process().processId());
    connectTo(other.path());
    gui.messages.shown.clear();
    gui.messages.answers.push_back(Answer::Yes);
    gui.action("mnuLaunch")->trigger();
    QTest::qWait(3000);  // the stamp, 'e', a second, 'X', and a second of the erase
    ::kill(otherPid, SIGSTOP);
    ASSERT_TRUE(QTest::qWaitFor([&] { return gui.texts().size() == 2; }, kLongWaitMs));
    ASSERT_TRUE(gui.idle());
    ::kill(otherPid, SIGCONT);
    EXPECT_TRUE(gui.texts()[1].starts_with("Disconnect the serial cable from the Tiltavarometer!"));
    EXPECT_NE(
        gui.texts()[1].find("and it fell silent. If the shaker does not shake, connect again"),
        std::string::npos)
        << gui.texts()[1];
    EXPECT_TRUE(gui.errors.reports.empty());
    EXPECT_TRUE(gui.barItem(1)->isEnabled()) << "Connect is the way back";
}

}  // namespace
}  // namespace tilt::logging::ui
