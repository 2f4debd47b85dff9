#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>

#include <fstream>

#include "common/number_text.h"
#include "device/device_memory.h"
#include "support/file_size_limit.h"
#include "support/gui_harness.h"

namespace tilt::logging::ui {
namespace {

using Answer = Messages::Answer;
using testing::GuiHarness;
using ::testing::HasSubstr;

// What the four parameter queries send: 'r' and an address for cells 42, 43, 100 to 109 and
// 2 to 17, and 'l', 'm'.
constexpr std::size_t kParameterBytes = 2 * 2 + 2 + 10 * 2 + 16 * 2;

using testing::readFile;

class DownloadWindow : public ::testing::Test {
  protected:
    explicit DownloadWindow(testing::GuiOptions options = {}) : gui(std::move(options)) {}

    // A logger with a recording on port 1 (or one that never answers), connected, and the
    // Download window open.
    void open(device::Preload preload, int pages, bool silent = false) {
        device::SimOptions options;
        options.preload = preload;
        options.pages = pages;
        silent ? gui.catalogue.addSilentPort("ttyS0") : gui.catalogue.addDevice(options);
        gui.start();
        gui.frame->setDeviceCommandsEnabled(true);
        gui.action("mnuDownloadErase")->trigger();
        window = gui.openWindow("DownloadErase");
        ASSERT_NE(window, nullptr);
    }
    QAction* menu(const char* name) { return window->findChild<QAction*>(name); }
    QString box(const char* name) { return window->findChild<QLineEdit*>(name)->text(); }
    bool waitFor(const std::string& text) { return gui.waitForMessage(text); }
    std::string dataFile(const char* name) {
        return (gui.context.paths.dataFiles() / name).string();
    }
    // Download, into `file` when the save dialog asks.
    void download(const char* file) {
        gui.fileDialogs.answers.push_back(dataFile(file));
        menu("mnuDownload")->trigger();
    }

    GuiHarness gui;
    QWidget* window = nullptr;
};

TEST_F(DownloadWindow, LinearDownload_WritesTheFileAndItsCsvAndAsksAboutTheGraph) {
    open(device::Preload::Linear3, 12);
    gui.messages.answers.push_back(Answer::No);
    download("walk.tlg");
    ASSERT_TRUE(waitFor("Would you like to graph this download immediately?"));

    EXPECT_EQ(gui.texts(),
              (std::vector<std::string>{"Download completed!",
                                        "Would you like to graph this download immediately?"}));
    ASSERT_EQ(gui.fileDialogs.requests.size(), 1U);
    EXPECT_EQ(gui.fileDialogs.requests[0].selectedFilter, "TLG Files (*.tlg)");
    EXPECT_EQ(gui.fileDialogs.requests[0].folder, gui.context.paths.dataFiles().string());
    EXPECT_EQ(std::ranges::count(readFile(dataFile("walk.tlg")), '\n'), 12 + 12);
    EXPECT_EQ(box("txtMode"), "Linear");
    EXPECT_EQ(box("txtChannels"), "3");
    EXPECT_FALSE(menu("mnuDownload")->isChecked());
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
    EXPECT_EQ(gui.context.state.dataFile, dataFile("walk.tlg")) << "No keeps the file name";
    EXPECT_TRUE(gui.errors.reports.empty());
}

TEST_F(DownloadWindow, YesToTheGraph_OpensTheGraphOnTheNewFileWithoutADialog) {
    open(device::Preload::Bin, 4);
    gui.messages.answers.push_back(Answer::Yes);
    download("bins.tlg");
    ASSERT_TRUE(waitFor("Would you like to graph this download immediately?"));
    EXPECT_TRUE(gui.context.state.dataFile.empty());
    EXPECT_EQ(box("txtMode"), "Bin");

    QWidget* graph = gui.openWindow("Graph");
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->findChild<QLineEdit*>("txtFileName")->text().toStdString(),
              dataFile("bins.tlg"));
    EXPECT_EQ(graph->findChild<QLineEdit*>("txtPageNumberX")->text(), "1");
    EXPECT_EQ(gui.fileDialogs.requests.size(), 1U) << "only the save dialog of the download";
    EXPECT_TRUE(gui.errors.reports.empty());
}

// A port lost under a parameter query ends the download with that step's message, and no
// Retry/Cancel box; the mode shows as soon as its step has it. (A silent logger fails its step
// the same way: the parameter queries' test.)
TEST_F(DownloadWindow, AdapterPulledOutDuringTheParameters_ShowsTheStepsMessageOnly) {
    open(device::Preload::Linear3, 4);
    gui.catalogue.line(1)->unplugAfterWrites(5);  // the mode query's 4 bytes and 'l'
    menu("mnuDownload")->trigger();
    ASSERT_TRUE(waitFor("Download FIRMWARE parameters were not retrieved! Download failed!"));
    EXPECT_EQ(gui.texts().size(), 1U);
    EXPECT_TRUE(gui.errors.reports.empty());
    EXPECT_EQ(box("txtMode"), "Linear");
    EXPECT_EQ(box("txtChannels"), "3");
    EXPECT_TRUE(gui.fileDialogs.requests.empty());
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
    EXPECT_FALSE(window->findChild<QWidget*>("lblUnfinished")->isVisible());
}

// A file of something else is asked about once, by the window (the dialog does not ask), and
// No leaves it as it was.
TEST_F(DownloadWindow, ExistingFileOfAnotherKind_IsReplacedOnlyOnYes) {
    open(device::Preload::Linear1, 3);
    std::ofstream(dataFile("notes.tlg")) << "my notes\n";
    download("notes.tlg");  // answered No
    ASSERT_TRUE(waitFor("Download operation cancelled!"));
    EXPECT_FALSE(gui.fileDialogs.requests.at(0).confirmOverwrite);
    EXPECT_EQ(gui.texts().front(),
              dataFile("notes.tlg") +
                  " already exists, and holds no download of this logger's recording.\r\n"
                  "Click YES to replace it with this download.\r\nClick NO to cancel this "
                  "operation.");
    EXPECT_EQ(gui.messages.shown.front().buttons, Messages::Buttons::YesNoDefaultNo);
    EXPECT_EQ(readFile(dataFile("notes.tlg")), "my notes\n");
    EXPECT_EQ(gui.receivedCount(), kParameterBytes);

    gui.messages.answers.push_back(Answer::Yes);
    download("notes.tlg");
    ASSERT_TRUE(waitFor("Download completed!"));
    EXPECT_EQ(std::ranges::count(readFile(dataFile("notes.tlg")), '\n'), 12 + 3);
}

TEST_F(DownloadWindow, DiskFullAtAPage_SaysWhatTheFileKeeps_AndTheContinueQuestionFinishesIt) {
    open(device::Preload::Linear2, 15);
    download("whole.tlg");
    ASSERT_TRUE(waitFor("Would you like to graph this download immediately?"));
    const std::string whole = readFile(dataFile("whole.tlg"));
    const auto pageTen = whole.find("\r\n10,");
    ASSERT_NE(pageTen, std::string::npos);

    // The disk fills up half-way through page 10's line.
    gui.messages.shown.clear();
    {
        const testing::FileSizeLimit disk(pageTen + 2 + 500);
        download("cut.tlg");
        ASSERT_TRUE(gui.idle());
    }
    EXPECT_EQ(gui.errors.reports.size(), 1U) << "one report, not one per page";
    // The full disk keeps the library from recording it too: one message after the download's.
    ASSERT_EQ(gui.texts().size(), 2U);
    EXPECT_EQ(gui.texts()[0], "Page 10 could not be written to the file.\r\n" +
                                  dataFile("cut.tlg") +
                                  " keeps pages 1 to 9.\r\nMake room on the disk (or put right "
                                  "what the error said), then choose Download again and the same "
                                  "file to continue.");
    EXPECT_TRUE(gui.texts()[1].starts_with(
        "The recordings library could not record this download: the library " +
        gui.library.file().string()))
        << gui.texts()[1];
    EXPECT_FALSE(menu("mnuDownload")->isChecked());
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
    EXPECT_TRUE(menu("mnuErase")->isEnabled());
    auto* note = window->findChild<QLabel*>("lblUnfinished");
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->text().contains("keeps pages 1 to 9")) << note->text().toStdString();
    EXPECT_EQ(window->findChild<QGroupBox*>("fraPBar")->title(), "Download Progress");

    gui.messages.shown.clear();
    gui.messages.choiceAnswers.push_back(0);  // Continue
    download("cut.tlg");
    ASSERT_TRUE(waitFor("Download completed!"));
    ASSERT_EQ(gui.messages.shown.front().choices,
              (std::vector<std::string>{"Continue", "Start Again", "Cancel"}));
    EXPECT_EQ(gui.messages.shown.front().defaultChoice, 0U) << "Return continues";
    EXPECT_EQ(gui.messages.shown.front().escapeChoice, 2U) << "Escape leaves the file alone";
    EXPECT_EQ(gui.texts().front(),
              dataFile("cut.tlg") +
                  " holds pages 1 to 9 of this logger's recording: the download was cut short "
                  "at page 10.\r\nContinue: download the pages after 9 into it.\r\nStart "
                  "Again: replace it with a new download from page 1.\r\nCancel: leave the "
                  "file as it is and download nothing.");
    EXPECT_FALSE(note->isVisible());
    EXPECT_FALSE(gui.context.state.unfinishedDownload);

    // The whole recording is in the file now: the question says so, and Cancel leaves it.
    gui.messages.shown.clear();
    gui.messages.choiceAnswers.push_back(2);
    download("cut.tlg");
    ASSERT_TRUE(waitFor("Download operation cancelled!"));
    EXPECT_EQ(gui.messages.shown.front().choices,
              (std::vector<std::string>{"Keep It", "Download Again", "Cancel"}));
    EXPECT_TRUE(gui.texts().front().starts_with(
        dataFile("cut.tlg") + " holds this logger's whole recording already, pages 1 to 15."))
        << gui.texts().front();
    EXPECT_TRUE(readFile(dataFile("cut.tlg")) == whole);
}

TEST_F(DownloadWindow, UnwritableFile_IsReportedOnceAndNoPageIsAskedFor) {
    open(device::Preload::Linear1, 3);
    const std::string nowhere = (gui.context.paths.root / "no such folder" / "x.tlg").string();
    gui.fileDialogs.answers.push_back(nowhere);
    menu("mnuDownload")->trigger();
    ASSERT_TRUE(gui.idle());
    ASSERT_EQ(gui.errors.reports.size(), 1U);
    EXPECT_EQ(gui.errors.reports[0].source, "CreateDataFile");
    EXPECT_NE(gui.errors.reports[0].description.find(nowhere), std::string::npos);
    EXPECT_EQ(gui.receivedCount(), kParameterBytes) << "no page was asked for";
    EXPECT_EQ(gui.texts(), (std::vector<std::string>{
                               "The data file could not be written; nothing was downloaded.\r\n"
                               "Choose Download again, and a file in a folder you can write to."}));
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
    EXPECT_FALSE(menu("mnuDownload")->isChecked());
}

// A cancelled dialog transfers nothing; an erase asks first, then counts to 2050.
TEST_F(DownloadWindow, CancelledDialogOrErase_AskFirst_ReturnUnlocksTheBarAndCloses) {
    open(device::Preload::Linear1, 4);
    menu("mnuDownload")->trigger();  // no dialog answer: cancelled
    ASSERT_TRUE(waitFor("Download operation cancelled!"));
    EXPECT_EQ(gui.receivedCount(), kParameterBytes) << "the parameter queries only";
    EXPECT_FALSE(gui.context.state.saveLiveReadings);
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());

    // The logger's four pages were never downloaded: the one question says so, and Return
    // answers No. No sends no erase.
    gui.messages.shown.clear();
    menu("mnuErase")->trigger();  // answered No
    ASSERT_TRUE(gui.waitFor([&] { return !gui.messages.shown.empty(); }));
    ASSERT_TRUE(gui.idle());
    ASSERT_EQ(gui.messages.shown.size(), 1U);
    EXPECT_EQ(gui.messages.shown[0].buttons, Messages::Buttons::YesNoDefaultNo);
    EXPECT_THAT(gui.texts()[0], HasSubstr(" that was never downloaded to this computer: pages 1 "
                                          "to 4 are on the logger only.\r\nAll on-board data "
                                          "will be erased!\r\nClick YES to proceed."));
    EXPECT_EQ(gui.commands(kParameterBytes).find('e'), std::string::npos) << "an erase went out";
    EXPECT_FALSE(menu("mnuErase")->isChecked());
    gui.messages.answers.push_back(Answer::Yes);
    menu("mnuErase")->trigger();
    ASSERT_TRUE(waitFor("Erase completed!"));
    EXPECT_TRUE(gui.commands(kParameterBytes).ends_with("e"));
    // The memory is empty now: the erase asks the plain question.
    gui.messages.shown.clear();
    gui.messages.answers.push_back(Answer::Yes);
    menu("mnuErase")->trigger();
    ASSERT_TRUE(waitFor("Erase completed!"));
    EXPECT_EQ(gui.messages.shown.front().buttons, Messages::Buttons::YesNo);
    EXPECT_EQ(gui.texts().front(),
              "All on-board data will be erased!\r\nClick YES to proceed.\r\nClick NO to cancel "
              "this operation.");
    EXPECT_FALSE(menu("mnuErase")->isChecked());
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
    EXPECT_EQ(window->findChild<QProgressBar*>("PBarErase")->value(), 0);

    // Activation locks the bar; Return unlocks it and closes the window.
    ASSERT_TRUE(gui.activate(window));
    EXPECT_FALSE(gui.barItem(1)->isEnabled());
    EXPECT_FALSE(gui.barItem(4)->isEnabled());
    gui.context.state.saveLiveReadings = true;
    menu("mnuReturn")->trigger();
    EXPECT_EQ(gui.openWindow("DownloadErase"), nullptr);
    for (int item = 1; item <= 4; ++item) {
        EXPECT_TRUE(gui.barItem(item)->isEnabled()) << item;
    }
    EXPECT_FALSE(gui.context.state.saveLiveReadings);
}

class DownloadWindowInRealTime : public DownloadWindow {
  protected:
    DownloadWindowInRealTime() : DownloadWindow({.savedPort = "1", .realTime = true}) {}
};

TEST_F(DownloadWindowInRealTime, SecondClick_StopsTheDownloadQuietlyKeepingItsLines) {
    open(device::Preload::Linear1, 40);
    download("stopped.tlg");
    ASSERT_TRUE(gui.waitFor([&] {  // "Downloading page N"
        return window->findChild<QGroupBox*>("fraPBar")->title().mid(17).toInt() >= 3;
    }));
    EXPECT_TRUE(menu("mnuDownload")->isChecked());
    // The running download's own entry stops it; the entries of other jobs wait.
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
    EXPECT_FALSE(menu("mnuErase")->isEnabled());
    EXPECT_FALSE(gui.action("mnuLaunch")->isEnabled());
    menu("mnuDownload")->trigger();
    ASSERT_TRUE(gui.idle());
    EXPECT_TRUE(gui.messages.shown.empty());
    EXPECT_TRUE(menu("mnuErase")->isEnabled());
    EXPECT_TRUE(gui.action("mnuLaunch")->isEnabled());
    const auto* note = window->findChild<QLabel*>("lblUnfinished");
    EXPECT_TRUE(note->isVisible());
    EXPECT_TRUE(note->text().contains("Download again and the same file to continue"))
        << note->text().toStdString();
    EXPECT_FALSE(menu("mnuDownload")->isChecked());
    EXPECT_TRUE(gui.context.state.dataFile.empty());
}

TEST_F(DownloadWindow, AdapterPulledOut_SaysWhatIsKept_AndAnEraseOrLaunchAsksFirst) {
    open(device::Preload::Linear1, 40);
    // Pulled out right after the request of page 5 (the parameters, then 3 bytes a page).
    gui.catalogue.line(1)->unplugAfterWrites(kParameterBytes + 6 * 3);
    download("pulled.tlg");
    ASSERT_TRUE(gui.waitFor([&] { return !gui.texts().empty(); }));
    ASSERT_TRUE(gui.idle());
    EXPECT_FALSE(menu("mnuDownload")->isChecked());
    EXPECT_EQ(gui.errors.reports.size(), 1U);
    const auto kept = gui.context.state.unfinishedDownload;
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->pagesInFile, 4);
    EXPECT_EQ(kept->file, dataFile("pulled.tlg"));
    const std::string pages = "pages 1 to " + std::to_string(kept->pagesInFile);
    ASSERT_EQ(gui.texts().size(), 1U);
    EXPECT_EQ(gui.texts()[0],
              "The connection to the logger failed at page " +
                  std::to_string(kept->pagesInFile + 1) + ".\r\n" + dataFile("pulled.tlg") +
                  " keeps " + pages +
                  ".\r\nCheck the cable (choose Connect if the adapter came back as another "
                  "port), then choose Download again and the same file to continue.");
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
    EXPECT_TRUE(menu("mnuErase")->isEnabled());
    EXPECT_FALSE(window->findChild<QWidget*>("lblWarning")->isVisible());
    EXPECT_EQ(window->findChild<QGroupBox*>("fraPBar")->title(), "Download Progress");
    EXPECT_TRUE(window->findChild<QWidget*>("lblUnfinished")->isVisible());
    EXPECT_NE(window->cursor().shape(), Qt::BusyCursor) << "the busy pointer stayed";

    // While the recording is not downloaded whole, an erase and a launch name the logger, its
    // launch time and the pages at stake, and Return answers No. (Plugging the adapter in again
    // takes a while: the reply that was on its way is long gone.)
    gui.clock.advance(link::ms(3000));
    gui.catalogue.line(1)->plugIn();
    const std::size_t before = gui.receivedCount();
    // The library has the cut-off download, as incomplete.
    const auto entries = gui.library.dataFiles();
    ASSERT_EQ(entries.size(), 1U);
    EXPECT_FALSE(entries[0].complete);
    EXPECT_EQ(entries[0].pages, 4);
    EXPECT_EQ(entries[0].program, "tiltavarometer");
    const std::string atStake =
        "Logger " + numberText(kept->serialNumber) + " holds a recording launched " +
        entries[0].recording.launchTime +
        " that was never downloaded to this computer: pages 1 to 40 are on the logger only.\r\n";
    menu("mnuErase")->trigger();  // answered No
    ASSERT_TRUE(gui.waitFor([&] { return gui.messages.shown.size() == 2; }));
    ASSERT_TRUE(gui.idle());
    EXPECT_EQ(gui.messages.shown[1].buttons, Messages::Buttons::YesNoDefaultNo);
    EXPECT_EQ(gui.texts()[1], atStake +
                                  "All on-board data will be erased!\r\nClick YES to "
                                  "proceed.\r\nClick NO to cancel this operation.");
    gui.action("mnuLaunch")->trigger();  // answered No
    ASSERT_TRUE(gui.waitFor([&] { return gui.messages.shown.size() == 3; }));
    ASSERT_TRUE(gui.idle());
    EXPECT_EQ(gui.messages.shown[2].buttons, Messages::Buttons::YesNoDefaultNo);
    EXPECT_EQ(gui.texts()[2], atStake +
                                  "Tiltavarometer will erase all on-board data before launch!\r\n"
                                  "Click YES to proceed.\r\nClick NO to cancel this operation.");
    const std::string commands = gui.commands(before);
    EXPECT_EQ(commands.find_first_of("eX"), std::string::npos) << commands;
}

TEST_F(DownloadWindowInRealTime, EraseWithoutProgress_SaysSoUntilTheUsersSecondClickHaltsIt) {
    open({}, 0, true);
    auto* stalled = window->findChild<QLabel*>("lblEraseStalled");
    gui.messages.answers.push_back(Answer::Yes);
    menu("mnuErase")->trigger();
    ASSERT_TRUE(gui.waitFor([&] { return stalled->isVisible(); }));
    EXPECT_TRUE(stalled->text().startsWith("No progress from the logger for 2 s"))
        << stalled->text().toStdString();
    EXPECT_TRUE(menu("mnuErase")->isChecked()) << "the user decides when to stop";
    EXPECT_FALSE(menu("mnuDownload")->isEnabled()) << "no download during an erase";
    menu("mnuErase")->trigger();
    ASSERT_TRUE(waitFor("Erase halted by user! Erase may not be complete."));
    EXPECT_FALSE(stalled->isVisible());
    EXPECT_FALSE(menu("mnuErase")->isChecked());
    EXPECT_TRUE(menu("mnuDownload")->isEnabled());
}

}  // namespace
}  // namespace tilt::logging::ui
