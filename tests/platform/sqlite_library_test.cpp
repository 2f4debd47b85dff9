// The recordings library on a real SQLite file in a temporary folder: what it keeps and finds,
// writers at once, and a file that is locked, damaged, newer or out of reach.
#include "platform/sqlite_library.h"

#include <gtest/gtest.h>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <filesystem>
#include <fstream>
#include <thread>

#include "support/core_application.h"
#include "support/temp_folder.h"

namespace tilt::platform {
namespace {

DataFileEntry download(std::int64_t serial, const std::string& launch, const std::string& path,
                       int pages, bool complete) {
    DataFileEntry e;
    e.recording = {serial, launch};
    e.firmware = "2.15";
    e.mode = RecordingMode::Linear;
    e.channel = 3;
    e.path = path;
    e.size = 1000;
    e.sha256 = "sha-" + path + "-" + std::to_string(pages);
    e.pages = pages;
    e.slotCount = pages * 132L;
    e.complete = complete;
    e.downloadedAt = "2026-12-07T10:00:0" + std::to_string(pages % 10) + ".000";
    e.program = "tiltctl";
    return e;
}

class Library : public testing::TempFolderTest {
  protected:
    static void SetUpTestSuite() { ensureCoreApplication(); }
    std::filesystem::path file() const { return folder / "library.sqlite"; }
};

TEST_F(Library, KeepsDownloads_AResumedOneStaysOneEntry_AndKnowsWhatWasDownloadedWhole) {
    SqliteLibrary library(file());
    const RecordingKey walk{7521, "11/02/2026 08:30:00"};
    const auto first =
        library.recordDataFile(download(7521, walk.launchTime, "/d/walk.tlg", 3, false));
    EXPECT_FALSE(library.downloadedWhole(walk, 1)) << "a download cut off is not whole";
    const auto resumed =
        library.recordDataFile(download(7521, walk.launchTime, "/d/walk.tlg", 9, true));
    EXPECT_EQ(resumed, first);
    EXPECT_TRUE(library.downloadedWhole(walk, 9));
    EXPECT_FALSE(library.downloadedWhole(walk, 10)) << "the logger went on logging since";
    EXPECT_FALSE(library.downloadedWhole({7521, "11/03/2026 08:30:00"}, 1));
    (void)library.recordDataFile(download(1234, "01/01/2026 00:00:00", "/d/other.tlg", 2, true));

    const auto all = library.dataFiles();
    ASSERT_EQ(all.size(), 2U);
    EXPECT_EQ(all[0].path, "/d/walk.tlg") << "newest download first";
    EXPECT_EQ(all[0].pages, 9);
    EXPECT_EQ(all[0].slotCount, 9 * 132);
    EXPECT_EQ(all[0].firmware, "2.15");
    EXPECT_TRUE(all[0].complete);
    EXPECT_EQ(library.dataFiles(1234).size(), 1U);
    EXPECT_EQ(library.dataFileWithSha256("sha-/d/walk.tlg-9")->id, first);
    EXPECT_EQ(library.dataFile(first)->recording, walk);

    library.recordLoggingStart(walk, "2026-11-02T08:30:04.250");
    EXPECT_EQ(library.loggingStarted(walk), "2026-11-02T08:30:04.250");
    EXPECT_EQ(library.dataFile(first)->loggingStarted, "2026-11-02T08:30:04.250");

    library.recordSnapshot({0, 7521, "2026-12-07T09:00:00", "read", {{"offsetX", "323"}}});
    library.recordSnapshot({0, 7521, "2026-12-07T09:05:00", "write", {{"offsetX", "330"}}});
    const auto snapshots = library.snapshots(7521);
    ASSERT_EQ(snapshots.size(), 2U);
    EXPECT_EQ(snapshots[1].kind, "write");
    EXPECT_EQ(snapshots[1].values.at("offsetX"), "330");
    library.recordEvent({7521, "2026-12-07T09:06:00", "erase", "completed", ""});

    EXPECT_TRUE(library.forget(first));
    EXPECT_FALSE(library.forget(first));
    EXPECT_EQ(library.dataFiles().size(), 1U);

    // What the file itself says: the schema's version, a WAL journal, foreign keys kept.
    SqliteLibrary again(file());
    EXPECT_EQ(again.dataFiles().size(), 1U);
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "check");
    db.setDatabaseName(QString::fromStdString(file().string()));
    ASSERT_TRUE(db.open());
    {
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("SELECT MAX(version) FROM schema_version") && q.next());
        EXPECT_EQ(q.value(0).toInt(), SqliteLibrary::kSchemaVersion);
        ASSERT_TRUE(q.exec("PRAGMA journal_mode") && q.next());
        EXPECT_EQ(q.value(0).toString(), "wal");
        ASSERT_TRUE(q.exec("PRAGMA foreign_keys = ON"));
        EXPECT_FALSE(
            q.exec("INSERT INTO data_files (recording, path, size, sha256, mode, channel, "
                   "pages, slots, complete, downloaded_at, program) VALUES (999, 'x', 0, "
                   "'', 1, 1, 0, 0, 0, '', '')"));
    }
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("check");
}

TEST_F(Library, WritersAtOnce_AllLand) {
    SqliteLibrary library(file());
    (void)library.dataFiles();  // the schema made
    std::vector<std::jthread> writers;
    for (int w = 0; w < 4; ++w) {
        writers.emplace_back([&, w] {
            SqliteLibrary mine(file());
            for (int i = 0; i < 10; ++i) {
                mine.recordEvent(
                    {w, "2026-12-07T09:00:00", "erase", "completed", std::to_string(i)});
                (void)mine.recordDataFile(
                    download(w, "01/01/2026 00:00:00", "/d/" + std::to_string(i), i, true));
            }
        });
    }
    writers.clear();
    EXPECT_EQ(library.dataFiles().size(), 40U);
}

TEST_F(Library, LockedDamagedNewerOrOutOfReach_SayWhy_ADamagedFileIsSetAsideAndReplaced) {
    SqliteLibrary library(file());
    (void)library.dataFiles();
    {
        // Another program holds the file with a write of its own.
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
        other.setDatabaseName(QString::fromStdString(file().string()));
        ASSERT_TRUE(other.open());
        QSqlQuery hold(other);
        ASSERT_TRUE(hold.exec("BEGIN EXCLUSIVE"));
        try {
            (void)library.recordDataFile(download(1, "01/01/2026 00:00:00", "/d/x", 1, true));
            ADD_FAILURE() << "recorded into a held file";
        } catch (const LibraryError& e) {
            EXPECT_NE(std::string(e.what()).find("held by another program"), std::string::npos)
                << e.what();
        }
        (void)hold.exec("ROLLBACK");
        other.close();
    }
    QSqlDatabase::removeDatabase("other");

    // Garbage over the file: set aside whole, a new library in its place, said once.
    const std::string garbage(8192, 'g');
    std::ofstream(file(), std::ios::binary | std::ios::trunc) << garbage;
    SqliteLibrary reopened(file());
    EXPECT_EQ(reopened.dataFiles().size(), 0U);
    const auto notice = reopened.takeNotice();
    ASSERT_TRUE(notice);
    EXPECT_NE(notice->find("was damaged"), std::string::npos) << *notice;
    EXPECT_FALSE(reopened.takeNotice());
    int setAside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("library-damaged-")) {
            ++setAside;
            EXPECT_EQ(readFile(entry.path()), garbage);
        }
    }
    EXPECT_EQ(setAside, 1);

    // A newer program's file is left alone.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "newer");
        db.setDatabaseName(QString::fromStdString(file().string()));
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("INSERT INTO schema_version (version) VALUES (99)");
        db.close();
    }
    QSqlDatabase::removeDatabase("newer");
    try {
        (void)SqliteLibrary(file()).dataFiles();
        ADD_FAILURE() << "read a newer library";
    } catch (const LibraryError& e) {
        EXPECT_NE(std::string(e.what()).find("newer version"), std::string::npos) << e.what();
    }

    // A folder that cannot be made.
    EXPECT_THROW((void)SqliteLibrary("/dev/null/library.sqlite").dataFiles(), LibraryError);
}

}  // namespace
}  // namespace tilt::platform

namespace tilt::platform {
namespace {

// What a push to the team store reads and notes: the loggers, their events, the launch's UTC
// offset, and which data files a server holds; a file forgotten leaves its pushes with it.
TEST_F(Library, NotesPushesPerServer_AndKeepsEventsAndTheLaunchOffset) {
    SqliteLibrary library(file());
    const RecordingKey walk{7521, "11/02/2026 08:30:00"};
    const auto a = library.recordDataFile(download(7521, walk.launchTime, "/d/a.tlg", 3, true));
    const auto b = library.recordDataFile(download(42, "01/01/2026 00:00:00", "/d/b.tlg", 2, true));
    library.recordEvent({7521, "2026-12-07T10:00:00", "erase", "completed", ""});
    library.recordEvent({7521, "2026-12-07T09:00:00", "launch", "launched", walk.launchTime});
    library.recordLoggingStart(walk, "2026-11-02T08:30:01.250", 60);

    EXPECT_EQ(library.loggers(), (std::vector<std::int64_t>{42, 7521}));
    const auto events = library.events(7521);
    ASSERT_EQ(events.size(), 2U);
    EXPECT_EQ(events[0].kind, "launch") << "oldest first";
    EXPECT_EQ(events[1].result, "completed");
    EXPECT_EQ(library.launchUtcOffset(walk), 60);
    EXPECT_EQ(library.loggingStarted(walk), "2026-11-02T08:30:01.250");
    EXPECT_FALSE(library.launchUtcOffset({42, "01/01/2026 00:00:00"}));

    library.recordPushes({a, b}, "host=office dbname=tilt");
    library.recordPushes({a}, "host=office dbname=tilt");  // again: no second note
    library.recordPushes({b}, "host=lab");
    auto office = library.pushedTo("host=office dbname=tilt");
    std::sort(office.begin(), office.end());
    EXPECT_EQ(office, (std::vector<std::int64_t>{a, b}));
    EXPECT_EQ(library.pushedTo("host=lab"), (std::vector<std::int64_t>{b}));
    EXPECT_TRUE(library.pushedTo("host=elsewhere").empty());
    EXPECT_TRUE(library.forget(b));
    EXPECT_TRUE(library.pushedTo("host=lab").empty());
}

}  // namespace
}  // namespace tilt::platform
