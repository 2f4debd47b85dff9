// The Recordings window on a real library in the test's data root: the table, its order and
// filter, files gone missing, the row's actions, import, a logger's history, and a library that
// fails.
#include "library/ui/recordings_window.h"

#include <gtest/gtest.h>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>

#include <filesystem>
#include <fstream>
#include <map>

#include "library/config_differences.h"
#include "library/ui/logger_history.h"
#include "library/ui/recordings_model.h"
#include "support/gui_harness.h"
#include "support/temp_folder.h"
#include "view/plot/plot_control.h"
#include "view/ui/graph_test_files.h"
#include "view/ui/graph_window.h"

namespace tilt::library::ui {
namespace {

namespace fs = std::filesystem;
using testing::GraphTestFiles;
using Column = RecordingsModel::Column;

// A data file entry as a download records it.
DataFileEntry entry(std::int64_t serial, const std::string& launch, const std::string& path,
                    RecordingMode mode, int channel, long slotCount, bool complete,
                    const std::string& downloadedAt) {
    DataFileEntry e;
    e.recording = {serial, launch};
    e.firmware = "2.15";
    e.mode = mode;
    e.channel = channel;
    e.path = path;
    e.size = 1000;
    e.sha256 = "sha of " + path;
    e.pages = 3;
    e.slotCount = slotCount;
    e.complete = complete;
    e.downloadedAt = downloadedAt;
    e.program = "tiltavarometer";
    return e;
}

class RecordingsWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gui.start();
        files.folder = gui.root.path().toStdString() + "/Data Files";
        fs::create_directories(files.folder);
    }

    // Four recordings of four loggers: two linear files on disk, a bin file on disk, and a
    // linear download whose file is gone.
    void recordFour() {
        const std::string pairs = GraphTestFiles::linearHeader(3) + GraphTestFiles::pairLine(1, 10);
        std::string commaRate = GraphTestFiles::linearHeader(2) + GraphTestFiles::sampleLine(1, 7);
        commaRate.replace(commaRate.find("Frequency: 15"), 13, "Frequency: 12,5");
        walk = files.write("a walk.tlg", pairs);
        bins =
            files.write("b bins.tlg", GraphTestFiles::binHeader() + GraphTestFiles::binLine(1, 0) +
                                          GraphTestFiles::binLine(2, 5));
        gone = files.path("c gone.tlg");
        bridge = files.write("d bridge.tlg", commaRate);
        record(entry(7521, "03/07/2026 09:05:00", walk, RecordingMode::Linear, 3, 132, true,
                     "2026-03-08T10:00:00.000"));
        record(entry(812, "12/24/2025 18:00:00", bins, RecordingMode::Bin, 3, 1, true,
                     "2026-03-09T11:00:00.000"));
        record(entry(7522, "01/15/2026 07:30:00", gone, RecordingMode::Linear, 1, 600, false,
                     "2026-03-07T09:00:00.000"));
        record(entry(45, "11/02/2026 08:30:00", bridge, RecordingMode::Linear, 2, 900, true,
                     "2026-03-10T12:00:00.000"));
    }
    void record(const DataFileEntry& e) { (void)gui.library.recordDataFile(e); }

    RecordingsWindow* open(common::ui::AppContext& context) {
        window = new RecordingsWindow(context, links);
        window->show();
        EXPECT_TRUE(settle());
        table = window->findChild<QTableView*>("tblRecordings");
        return window;
    }
    RecordingsWindow* open() { return open(gui.context); }
    [[nodiscard]] bool settle() {
        return gui.waitFor([this] { return !window->busy(); });
    }

    QString cell(int row, Column column) const {
        return table->model()->index(row, column).data().toString();
    }
    // The texts of a column, top to bottom.
    std::vector<std::string> column(Column which) const {
        std::vector<std::string> texts;
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            texts.push_back(cell(row, which).toStdString());
        }
        return texts;
    }
    // The row that shows `file`, -1 when none does.
    int rowOf(const std::string& file) const {
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            if (cell(row, Column::File).startsWith(QString::fromStdString(file))) {
                return row;
            }
        }
        return -1;
    }
    void choose(const std::string& file) {
        ASSERT_GE(rowOf(file), 0) << file;
        table->setCurrentIndex(table->model()->index(rowOf(file), 0));
    }
    void trigger(const char* action) { window->findChild<QAction*>(action)->trigger(); }
    QLineEdit* filter() const { return window->findChild<QLineEdit*>("txtFilter"); }
    QString count() const { return window->findChild<QLabel*>("lblCount")->text(); }

    testing::GuiHarness gui;
    GraphTestFiles files;
    std::string walk, bins, gone, bridge;
    RecordingsWindowLinks links;
    RecordingsWindow* window = nullptr;  // deleted with the harness's windows
    QTableView* table = nullptr;
};

TEST_F(RecordingsWindowTest, FilledFromTheLibrary_NewestDownloadFirst_AMissingFileShownNotDropped) {
    recordFour();
    open();
    EXPECT_EQ(window->objectName(), "Recordings");
    EXPECT_EQ(window->windowTitle(), "Recordings");
    EXPECT_EQ(column(Column::File),
              (std::vector<std::string>{bridge, bins, walk, gone + "  (missing)"}));
    EXPECT_EQ(count(), "4 recordings");

    const int walkRow = rowOf(walk);
    const std::vector<QString> shown = {"7521",
                                        "2026-03-07 09:05:00",
                                        "Linear, X and Y",
                                        "132",
                                        "8.8 s",
                                        "2026-03-08 10:00:00",
                                        "Yes",
                                        "",  // no team store in use
                                        QString::fromStdString(walk)};
    for (int col = 0; col < RecordingsModel::Columns; ++col) {
        EXPECT_EQ(cell(walkRow, static_cast<Column>(col)), shown[static_cast<std::size_t>(col)])
            << "column " << col;
    }
    EXPECT_EQ(cell(rowOf(bins), Column::Mode), "Bin");
    EXPECT_EQ(cell(rowOf(bins), Column::Samples), "1 page pair");
    EXPECT_EQ(cell(rowOf(bins), Column::Duration), "") << "a bin recording has no length in time";
    EXPECT_EQ(cell(rowOf(bridge), Column::Duration), "1 min 12 s")
        << "900 samples at 12,5 a second";
    EXPECT_EQ(cell(rowOf(gone), Column::Complete), "No");

    // The missing file is greyed, and a file that goes while the window is open is found out
    // when the user reaches for it.
    const QModelIndex goneCell = table->model()->index(rowOf(gone), Column::File);
    EXPECT_EQ(goneCell.data(Qt::ForegroundRole).value<QColor>(),
              QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text));
    EXPECT_FALSE(table->model()->index(walkRow, Column::File).data(Qt::ForegroundRole).isValid());
    fs::remove(walk);
    choose(walk);
    trigger("mnuOpenGraph");
    ASSERT_EQ(gui.texts().size(), 1U);
    EXPECT_NE(gui.texts()[0].find("The data file " + walk + " is missing"), std::string::npos)
        << gui.texts()[0];
    EXPECT_EQ(cell(rowOf(walk), Column::File).toStdString(), walk + "  (missing)");
    EXPECT_EQ(table->model()->rowCount(), 4);
}

TEST_F(RecordingsWindowTest, SortsByEveryColumn_NumbersAndTimesAsSuch_AndFiltersEveryWordTyped) {
    recordFour();
    open();
    // Ascending order by each column, as the column's texts; descending is the reverse.
    const std::map<Column, std::vector<std::string>> ascending = {
        {Column::Logger, {"45", "812", "7521", "7522"}},
        {Column::LaunchTime,
         {"2025-12-24 18:00:00", "2026-01-15 07:30:00", "2026-03-07 09:05:00",
          "2026-11-02 08:30:00"}},
        {Column::Mode, {"Bin", "Linear, X", "Linear, X and Y", "Linear, Y"}},
        {Column::Samples, {"1 page pair", "132", "600", "900"}},
        {Column::Duration, {"", "", "8.8 s", "1 min 12 s"}},
        {Column::Downloaded,
         {"2026-03-07 09:00:00", "2026-03-08 10:00:00", "2026-03-09 11:00:00",
          "2026-03-10 12:00:00"}},
        {Column::Complete, {"No", "Yes", "Yes", "Yes"}},
        {Column::File, {walk, bins, gone + "  (missing)", bridge}},
    };
    for (const auto& [col, texts] : ascending) {
        // As a click on the column's header does.
        table->horizontalHeader()->setSortIndicator(col, Qt::AscendingOrder);
        EXPECT_EQ(column(col), texts) << "ascending by column " << col;
        table->horizontalHeader()->setSortIndicator(col, Qt::DescendingOrder);
        EXPECT_EQ(column(col), std::vector<std::string>(texts.rbegin(), texts.rend()))
            << "descending by column " << col;
    }

    table->sortByColumn(Column::Logger, Qt::AscendingOrder);
    const struct {
        const char* typed;
        std::vector<std::string> loggers;
    } filters[] = {
        {"7521", {"7521"}},         {"bin", {"812"}},  // any case
        {"LINEAR 2026-11", {"45"}},                    // every word, in any column
        {"03/07/2026", {"7521"}},                      // the launch time as the data file writes it
        {"missing", {"7522"}},      {"walk 812", {}}, {"", {"45", "812", "7521", "7522"}},
    };
    for (const auto& f : filters) {
        testing::typeOver(filter(), f.typed);
        if (std::string(f.typed).empty()) {
            filter()->clear();
        }
        EXPECT_EQ(column(Column::Logger), f.loggers) << "typed: " << f.typed;
    }
    testing::typeOver(filter(), "linear");
    EXPECT_EQ(count(), "3 of 4 recordings");
}

TEST_F(RecordingsWindowTest,
       OpenedFromTheMainWindowByKey_ADoubleClickShowsTheFileInTheGraphWindow) {
    recordFour();
    EXPECT_EQ(gui.action("mnuRecordings")->text(), "&Recordings…");
    ASSERT_TRUE(testing::GuiHarness::activate(gui.frame.get()));
    QTest::keyClick(gui.frame.get(), Qt::Key_R, Qt::ControlModifier);
    ASSERT_NE(gui.openWindow("Recordings"), nullptr) << "Ctrl+R opens it";
    window =
        dynamic_cast<RecordingsWindow*>(gui.frame->windows().existing(frame::WindowId::Recordings));
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->isModal());
    ASSERT_TRUE(settle());
    table = window->findChild<QTableView*>("tblRecordings");

    const QModelIndex walkCell = table->model()->index(rowOf(walk), Column::Mode);
    // As the system delivers a double-click: a click, then the second press.
    const QPoint at = table->visualRect(walkCell).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
    auto* graph = qobject_cast<view::ui::RecordingWindow*>(gui.openWindow("Graph"));
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->fileName().toStdString(), walk);
    EXPECT_EQ(graph->graphX().pointCount(), 133);

    // Return opens the chosen row too; a missing file is not handed over.
    choose(bridge);
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(graph->fileName().toStdString(), bridge);
    choose(gone);
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_EQ(graph->fileName().toStdString(), bridge);
    ASSERT_EQ(gui.texts().size(), 1U);
    EXPECT_NE(gui.texts()[0].find("moved or deleted"), std::string::npos) << gui.texts()[0];
}

TEST_F(RecordingsWindowTest, ExportReportShowFolderAndForget_OfTheChosenRow_NeverOfAMissingFile) {
    recordFour();
    std::vector<QUrl> folders;
    links.showFolder = [&](const QUrl& url) {
        folders.push_back(url);
        return true;
    };
    open();
    choose(walk);
    gui.fileDialogs.answers.push_back(files.path("walk.csv"));
    trigger("mnuExportData");
    ASSERT_TRUE(settle());
    ASSERT_EQ(gui.fileDialogs.requests.size(), 1U);
    EXPECT_EQ(gui.fileDialogs.requests[0].folder, files.folder) << "beside the data file";
    EXPECT_EQ(gui.fileDialogs.requests[0].fileName, "a walk.csv");
    EXPECT_EQ(window->statusBar()->currentMessage().toStdString(),
              "Exported 132 rows to " + files.path("walk.csv"));
    EXPECT_NE(testing::readFile(files.path("walk.csv")).find(",141,-141,"), std::string::npos)
        << "the last sample slot exported";

    gui.fileDialogs.answers.push_back(files.path("walk.pdf"));
    trigger("mnuReport");
    ASSERT_TRUE(settle());
    EXPECT_EQ(testing::readFile(files.path("walk.pdf")).substr(0, 4), "%PDF");

    trigger("mnuShowFolder");
    EXPECT_EQ(folders,
              std::vector<QUrl>{QUrl::fromLocalFile(QString::fromStdString(files.folder))});
    EXPECT_TRUE(gui.texts().empty()) << gui.texts()[0];

    // A missing file: each action says why it cannot, and asks for no file.
    choose(gone);
    for (const char* action : {"mnuExportData", "mnuReport", "mnuShowFolder"}) {
        trigger(action);
    }
    EXPECT_EQ(gui.fileDialogs.requests.size(), 2U);
    EXPECT_EQ(folders.size(), 1U);
    ASSERT_EQ(gui.texts().size(), 3U);
    for (const std::string& text : gui.texts()) {
        EXPECT_NE(text.find(gone + " is missing"), std::string::npos) << text;
    }

    // Forget drops the entry, never the file; No keeps it. Delete asks it on the table, and
    // deletes a character in the filter field.
    ASSERT_TRUE(testing::GuiHarness::activate(window));
    testing::typeOver(filter(), "xbins");
    filter()->setCursorPosition(0);
    QTest::keyClick(filter(), Qt::Key_Delete);
    EXPECT_EQ(filter()->text(), "bins");
    EXPECT_EQ(gui.texts().size(), 3U) << "no question";
    filter()->clear();
    choose(bins);
    table->setFocus();
    gui.messages.answers.push_back(Messages::Answer::No);
    QTest::keyClick(table, Qt::Key_Delete);
    ASSERT_TRUE(settle());
    ASSERT_EQ(gui.texts().size(), 4U);
    EXPECT_TRUE(gui.texts()[3].starts_with("Forget the entry of " + bins + "?"));
    EXPECT_EQ(table->model()->rowCount(), 4);
    gui.messages.answers.push_back(Messages::Answer::Yes);
    trigger("mnuForget");
    ASSERT_TRUE(settle());
    EXPECT_EQ(rowOf(bins), -1);
    EXPECT_EQ(gui.library.dataFiles().size(), 3U);
    EXPECT_TRUE(fs::exists(bins));
    EXPECT_EQ(count(), "3 recordings");
}

TEST_F(RecordingsWindowTest, ImportOfAFolder_SaysTheCountsAndEachRefusedFile_ThenShowsTheNewRows) {
    const std::string field = gui.root.path().toStdString() + "/field";
    fs::create_directories(field + "/older");
    GraphTestFiles in{field};
    const std::string walkFile =
        in.write("walk.tlg", GraphTestFiles::linearHeader(3) + GraphTestFiles::pairLine(1, 10));
    in.write("older/bins.tlg", GraphTestFiles::binHeader() + GraphTestFiles::binLine(1, 0));
    fs::copy_file(walkFile, field + "/walk copy.tlg");
    const std::string damaged =
        in.write("damaged.tlg", GraphTestFiles::linearHeader(3) + "1,5,-5,6,-6\r\n");
    const std::string foreign = in.write("notes.tlg", "shopping list\r\n");
    std::vector<ImportSource> asked;
    links.chooseImport = [&](ImportSource source) {
        asked.push_back(source);
        return QStringList{QString::fromStdString(field)};
    };
    open();
    EXPECT_EQ(count(), "No recordings yet");

    trigger("mnuImportFolder");
    ASSERT_TRUE(settle());
    EXPECT_EQ(asked, std::vector<ImportSource>{ImportSource::Folder});
    ASSERT_EQ(gui.texts().size(), 1U);
    const std::string said = gui.texts()[0];
    const std::string counts = "Imported 2 data files, 1 already in the library, 2 refused.\n\n";
    ASSERT_TRUE(said.starts_with(counts)) << said;
    const auto lines = QString::fromStdString(said.substr(counts.size())).split('\n');
    ASSERT_EQ(lines.size(), 2) << said;
    EXPECT_TRUE(lines[0].startsWith(QString::fromStdString(damaged + " is damaged"))) << said;
    EXPECT_TRUE(lines[1].startsWith(QString::fromStdString(foreign + " is not a Tiltavarometer")))
        << said;
    EXPECT_EQ(table->model()->rowCount(), 2) << "the table shows what came";
    EXPECT_EQ(count(), "2 recordings");
    EXPECT_TRUE(window->findChild<QAction*>("mnuImport")->isEnabled());

    // A cancelled dialog imports nothing.
    delete window;
    links.chooseImport = [](ImportSource) { return QStringList(); };
    open();
    trigger("mnuImport");
    ASSERT_TRUE(settle());
    EXPECT_EQ(gui.texts().size(), 1U);
}

TEST_F(RecordingsWindowTest, HistoryOfTheChosenLogger_TheLatestChange_OrBetweenTwoChosen) {
    recordFour();
    const auto snapshot = [this](const char* at, const char* kind, ConfigValues values) {
        gui.library.recordSnapshot({0, 7521, at, kind, std::move(values)});
    };
    snapshot("2026-03-01T08:00:00.000", "read", {{"mode", "1"}, {"rate", "10"}, {"tareX", "0"}});
    snapshot("2026-03-02T08:00:00.000", "write", {{"mode", "1"}, {"rate", "15"}, {"tareX", "0"}});
    snapshot("2026-03-03T08:00:00.000", "read", {{"mode", "0"}, {"rate", "15"}, {"unit", "deg"}});
    open();
    auto* history = window->findChild<QGroupBox*>("fraHistory");
    auto* snapshots = window->findChild<QTableWidget*>("tblSnapshots");
    auto* changes = window->findChild<QTableWidget*>("tblChanges");
    const auto changed = [changes] {
        std::vector<std::vector<std::string>> rows;
        for (int row = 0; row < changes->rowCount(); ++row) {
            rows.push_back({changes->item(row, 0)->text().toStdString(),
                            changes->item(row, 1)->text().toStdString(),
                            changes->item(row, 2)->text().toStdString()});
        }
        return rows;
    };

    choose(walk);
    ASSERT_TRUE(settle());
    EXPECT_EQ(history->title(), "Configuration history of logger 7521");
    ASSERT_EQ(snapshots->rowCount(), 3);
    EXPECT_EQ(snapshots->item(0, 0)->text(), "2026-03-01 08:00:00");
    EXPECT_EQ(snapshots->item(1, 1)->text(), "Written");
    EXPECT_EQ(snapshots->item(2, 2)->text(), "3") << "fields the third changed";
    using Rows = std::vector<std::vector<std::string>>;
    EXPECT_EQ(changed(), (Rows{{"mode", "1", "0"}, {"tareX", "0", "—"}, {"unit", "—", "deg"}}))
        << "the latest against the one before";

    const struct {
        std::vector<int> chosen;
        Rows expected;
        const char* said;
    } comparisons[] = {
        {{0, 1},
         {{"rate", "10", "15"}},
         "From 2026-03-01 08:00:00 (read) to 2026-03-02 08:00:00 (written): 1 field changed."},
        {{0, 2},
         {{"mode", "1", "0"}, {"rate", "10", "15"}, {"tareX", "0", "—"}, {"unit", "—", "deg"}},
         "From 2026-03-01 08:00:00 (read) to 2026-03-03 08:00:00 (read): 4 fields changed."},
        {{0},
         {{"mode", "—", "1"}, {"rate", "—", "10"}, {"tareX", "—", "0"}},
         "The first configuration seen of this logger, 2026-03-01 08:00:00 (read): every field."},
    };
    for (const auto& comparison : comparisons) {
        dynamic_cast<LoggerHistory&>(*history).choose(comparison.chosen);
        EXPECT_EQ(changed(), comparison.expected) << comparison.said;
        EXPECT_EQ(window->findChild<QLabel*>("lblComparison")->text().toStdString(),
                  comparison.said);
    }

    choose(bins);
    ASSERT_TRUE(settle());
    EXPECT_EQ(history->title(), "Configuration history of logger 812");
    EXPECT_EQ(snapshots->rowCount(), 0);
    EXPECT_EQ(window->findChild<QLabel*>("lblHistory")->text(),
              "No configuration of logger 812 has been read or written here yet.");
}

// Another program holds the library with a write of its own, or a newer program made it: one
// message says why, and the window goes on working.
TEST_F(RecordingsWindowTest, ALibraryThatCannotBeRead_SaysWhyOnce_TheWindowStaysUsable) {
    recordFour();
    const std::string file =
        platform::SqliteLibrary::fileIn(gui.root.path().toStdString()).string();
    struct Case {
        const char* what;
        std::function<void(QSqlDatabase&)> spoil;
        std::function<void(QSqlDatabase&)> mend;
        const char* why;
        bool whileOpen;  // it also spoils a library already in use (its schema is read once)
    };
    const Case cases[] = {
        {"held by another program",
         [](QSqlDatabase& db) {
             // Exclusive locking keeps even readers out until the connection closes.
             QSqlQuery(db).exec("PRAGMA locking_mode = EXCLUSIVE");
             ASSERT_TRUE(QSqlQuery(db).exec("BEGIN EXCLUSIVE"));
             ASSERT_TRUE(QSqlQuery(db).exec("DELETE FROM events"));
         },
         [](QSqlDatabase& db) { QSqlQuery(db).exec("ROLLBACK"); }, "held by another program", true},
        {"made by a newer version",
         [](QSqlDatabase& db) {
             ASSERT_TRUE(QSqlQuery(db).exec("INSERT INTO schema_version (version) VALUES (99)"));
         },
         [](QSqlDatabase& db) {
             ASSERT_TRUE(QSqlQuery(db).exec("DELETE FROM schema_version WHERE version = 99"));
         },
         "newer version", false},
    };
    for (const Case& problem : cases) {
        SCOPED_TRACE(problem.what);
        gui.messages.shown.clear();
        // Another connection spoils the file, and mends it and goes.
        const auto spoil = [&] {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(QString::fromStdString(file));
            ASSERT_TRUE(other.open());
            problem.spoil(other);
        };
        const auto mend = [&] {
            {
                QSqlDatabase other = QSqlDatabase::database("other");
                problem.mend(other);
                other.close();
            }
            QSqlDatabase::removeDatabase("other");
        };
        spoil();
        // A library object of its own: the harness's has checked the file already.
        platform::SqliteLibrary library(file);
        common::ui::AppContext context{.state = {},
                                       .messages = gui.messages,
                                       .errors = gui.screenErrors,
                                       .settings = gui.settings,
                                       .fileDialogs = gui.fileDialogs,
                                       .catalogue = gui.catalogue,
                                       .threads = link::standardThreads(),
                                       .device = gui.device,
                                       .paths = gui.context.paths,
                                       .library = library,
                                       .technician = false,
                                       .exitProgram = {},
                                       .loggerEvents = {}};
        open(context);
        ASSERT_EQ(gui.texts().size(), 1U);
        EXPECT_NE(gui.texts()[0].find("The recordings library could not be read"),
                  std::string::npos)
            << gui.texts()[0];
        EXPECT_NE(gui.texts()[0].find(problem.why), std::string::npos) << gui.texts()[0];
        EXPECT_TRUE(window->findChild<QLabel*>("lblLibraryProblem")->isVisible());
        EXPECT_EQ(table->model()->rowCount(), 0);

        // Still usable: typing, the menus; asked again, it says why again.
        testing::typeOver(filter(), "7521");
        trigger("mnuOpenGraph");
        trigger("mnuRefresh");
        ASSERT_TRUE(settle());
        EXPECT_EQ(gui.texts().size(), 2U);

        mend();
        filter()->clear();
        trigger("mnuRefresh");
        ASSERT_TRUE(settle());
        EXPECT_EQ(table->model()->rowCount(), 4);
        EXPECT_FALSE(window->findChild<QLabel*>("lblLibraryProblem")->isVisible());
        EXPECT_EQ(gui.texts().size(), 2U);

        // Spoiled while the window is open: the histories of two loggers cannot be read, and
        // the user hears of it once.
        if (!problem.whileOpen) {
            delete window;
            continue;
        }
        spoil();
        choose(bins);
        ASSERT_TRUE(settle());
        choose(bridge);
        ASSERT_TRUE(settle());
        EXPECT_EQ(gui.texts().size(), 3U);
        EXPECT_EQ(table->model()->rowCount(), 4) << "what was read stays shown";
        EXPECT_EQ(window->findChild<QLabel*>("lblHistory")->text(),
                  "The configurations of logger 45 could not be read.")
            << "not the history of the logger chosen before";
        mend();
        delete window;
    }
}

TEST(RecordingDuration, ShownInTheUnitsItsLengthNeeds) {
    const std::pair<double, const char*> cases[] = {
        {0, "0 s"},           {0.5, "0.5 s"},        {8.8, "8.8 s"},       {40, "40 s"},
        {59.94, "59.9 s"},    {59.96, "1 min 00 s"}, {72, "1 min 12 s"},   {3599.4, "59 min 59 s"},
        {3600, "1 h 00 min"}, {3629, "1 h 00 min"},  {3631, "1 h 01 min"}, {54046.8, "15 h 01 min"},
    };
    for (const auto& [seconds, text] : cases) {
        EXPECT_EQ(durationText(seconds).toStdString(), text) << seconds;
    }
}

}  // namespace
}  // namespace tilt::library::ui
