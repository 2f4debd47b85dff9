// The Recordings window's push to a team store on a PostgreSQL server of the tests' own: the
// connection asked once and saved without its password, the password asked for each push and
// kept nowhere, what waits shown per row and in the status bar, and a refused password told in
// one message that never holds it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTableView>
#include <QTcpServer>

#include <filesystem>

#include "device/recording_file.h"
#include "library/ui/recordings_model.h"
#include "library/ui/recordings_window.h"
#include "store/pg_connection.h"
#include "store/store_schema.h"
#include "support/gui_harness.h"
#include "support/pg_cluster.h"
#include "support/sim_bench.h"
#include "view/dated_export.h"

namespace tilt::library::ui {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using testing::PgCluster;
using Column = RecordingsModel::Column;

class TeamStorePushTest : public ::testing::Test {
  protected:
    void SetUp() override {
        gui.start();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        database = "w_" + std::string(info->name()).substr(0, 30);
        for (char& c : database) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        cluster().createDatabase(database);
        cluster().createRole("tech_" + database, kPassword);
        store::PgConnection admin(cluster().adminConnection(database));
        (void)store::initStore(admin);
        std::string grants;
        for (const std::string& grant :
             store::pushOnlyGrants("tech_" + database, database, "public")) {
            grants += grant + ";";
        }
        cluster().sql(grants, database);
        links.storeQuestions.connection = [this](const std::string& saved) {
            connectionAsked.push_back(saved);
            return std::optional(connection);
        };
        links.storeQuestions.password = [this](const QString& server) {
            passwordAsked.push_back(server.toStdString());
            return password;
        };
    }
    static PgCluster& cluster() { return PgCluster::shared(); }

    // A simulated logger's recording downloaded into the data root and kept by the library.
    void record(const std::string& name, std::uint64_t seed, bool complete) {
        const std::string file = gui.root.path().toStdString() + "/" + name;
        device::downloadSimulatedRecording(testing::recording(device::Preload::Linear3, 6, seed),
                                           file);
        const auto header = view::readRecordingHeader(file);
        DataFileEntry e;
        e.recording = {static_cast<std::int64_t>(header.fields.serialNumber),
                       header.fields.launchTime};
        e.mode = header.fields.mode;
        e.channel = header.channelValue;
        e.path = file;
        e.size = static_cast<std::int64_t>(std::filesystem::file_size(file));
        e.sha256 = "sha of " + name;
        e.pages = 6;
        e.slotCount = 6 * 132;
        e.complete = complete;
        e.downloadedAt = "2026-12-07T10:00:00.000";
        e.program = "tiltavarometer";
        (void)gui.library.recordDataFile(e);
    }

    void open() {
        window = new RecordingsWindow(gui.context, links);
        window->show();
        ASSERT_TRUE(settle());
        table = window->findChild<QTableView*>("tblRecordings");
    }
    [[nodiscard]] bool settle() {
        return gui.waitFor([this] { return !window->busy(); });
    }
    void push() {
        window->findChild<QAction*>("mnuPush")->trigger();
        ASSERT_TRUE(settle());
    }
    // The Team store column, by file name, in the table's order.
    std::vector<std::string> standing() const {
        std::vector<std::string> texts;
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            const QString file = table->model()->index(row, Column::File).data().toString();
            texts.push_back(
                std::filesystem::path(file.toStdString()).filename().string() + " " +
                table->model()->index(row, Column::TeamStore).data().toString().toStdString());
        }
        return texts;
    }
    [[nodiscard]] QLabel* standingLabel() const {
        return window->findChild<QLabel*>("lblTeamStore");
    }
    [[nodiscard]] std::int64_t dataFilesOnServer() const {
        store::PgConnection admin(cluster().adminConnection(database));
        return admin.exec("SELECT count(*) FROM tilt_data_files").integer(0, 0);
    }
    [[nodiscard]] std::string server() const {
        return "127.0.0.1:" + std::to_string(cluster().port()) + "/" + database + " as tech_" +
               database;
    }

    static constexpr const char* kPassword = "Kx7-secret";
    testing::GuiHarness gui;
    std::string database;
    RecordingsWindowLinks links;
    RecordingsWindow* window = nullptr;
    QTableView* table = nullptr;
    std::string connection;
    std::optional<std::string> password = kPassword;
    std::vector<std::string> connectionAsked;
    std::vector<std::string> passwordAsked;
};

TEST_F(TeamStorePushTest,
       ConnectionAskedOnceSavedWithoutPassword_PasswordAskedEachPushKeptNowhere) {
    record("a.tlg", 1, true);
    record("b.tlg", 2, true);
    record("c.tlg", 3, false);
    open();
    EXPECT_FALSE(standingLabel()->isVisible()) << "no team store in use yet";
    EXPECT_EQ(table->model()->index(0, Column::TeamStore).data().toString(), "");

    connection = "postgresql://tech_" + database +
                 "@127.0.0.1:" + std::to_string(cluster().port()) + "/" + database;
    push();
    EXPECT_EQ(connectionAsked, std::vector<std::string>{""});
    EXPECT_EQ(gui.settings.store, connection);
    EXPECT_EQ(passwordAsked, std::vector<std::string>{server()}) << "~/.pgpass has none";
    EXPECT_EQ(dataFilesOnServer(), 2);
    const std::string said = window->statusBar()->currentMessage().toStdString();
    EXPECT_EQ(said,
              "Pushed 2 data files (" + QLocale().toString(2 * 792).toStdString() + " samples).");
    EXPECT_THAT(standingLabel()->toolTip().toStdString(), HasSubstr(server()));
    EXPECT_THAT(standing(),
                ::testing::UnorderedElementsAre("a.tlg Pushed", "b.tlg Pushed", "c.tlg Waits"));
    EXPECT_EQ(standingLabel()->text(), "Team store: all pushed, 1 waiting for a whole download");
    EXPECT_TRUE(gui.texts().empty());

    // A new download waits for the next push; a cancelled password sends nothing.
    record("d.tlg", 4, true);
    window->refresh();
    ASSERT_TRUE(settle());
    EXPECT_EQ(standingLabel()->text(),
              "Team store: 1 data file to push, 1 waiting for a whole download");
    password.reset();
    push();
    EXPECT_EQ(connectionAsked.size(), 1U) << "the saved connection serves";
    EXPECT_EQ(passwordAsked.size(), 2U) << "the password was not kept";
    EXPECT_EQ(window->statusBar()->currentMessage(), "Push cancelled: nothing was sent.");
    EXPECT_EQ(dataFilesOnServer(), 2);

    password = kPassword;
    push();
    EXPECT_EQ(dataFilesOnServer(), 3);
    EXPECT_EQ(standingLabel()->text(), "Team store: all pushed, 1 waiting for a whole download");
    EXPECT_THAT(standing(), ::testing::Contains("d.tlg Pushed"));
    EXPECT_THAT(gui.settings.store, Not(HasSubstr(kPassword)));

    // Another team store: what it holds is not known until a push reaches it.
    connection = "postgresql://tech@office.example.org/tilt";
    window->findChild<QAction*>("mnuStoreConnection")->trigger();
    ASSERT_TRUE(settle());
    EXPECT_EQ(gui.settings.store, connection);
    EXPECT_EQ(gui.settings.server, "");
    EXPECT_EQ(standingLabel()->text(),
              "Team store: 3 data files to push, 1 waiting for a whole download");
}

TEST_F(TeamStorePushTest, RefusedPassword_OneMessageNamingTheServer_NothingSentOrNoted) {
    record("a.tlg", 1, true);
    // Typed with its password in it: that serves the push, the settings keep the rest.
    connection = "postgresql://tech_" + database + ":wrong-" + kPassword +
                 "@127.0.0.1:" + std::to_string(cluster().port()) + "/" + database;
    open();
    push();
    EXPECT_TRUE(passwordAsked.empty()) << "the connection carried one";
    EXPECT_EQ(gui.settings.store, "postgresql://tech_" + database + "@127.0.0.1:" +
                                      std::to_string(cluster().port()) + "/" + database);
    ASSERT_EQ(gui.texts().size(), 1U);
    EXPECT_THAT(gui.texts()[0], HasSubstr("refused the user name or password"));
    EXPECT_THAT(gui.texts()[0], HasSubstr(server()));
    EXPECT_THAT(gui.texts()[0], Not(HasSubstr(kPassword)));
    EXPECT_EQ(window->statusBar()->currentMessage(), "Push failed: nothing was half sent.");
    EXPECT_EQ(dataFilesOnServer(), 0);
    EXPECT_EQ(gui.settings.server, "") << "no server reached";
    EXPECT_TRUE(gui.library.pushedTo(server()).empty());
    EXPECT_EQ(standingLabel()->text(), "Team store: 1 data file to push")
        << "a saved connection shows what waits";

    // The next push asks for the password the server wants, and sends it all.
    push();
    EXPECT_EQ(passwordAsked.size(), 1U);
    EXPECT_EQ(dataFilesOnServer(), 1);
    EXPECT_EQ(gui.settings.server, server());
    EXPECT_EQ(gui.library.pushedTo(server()).size(), 1U);
}

// Stop Push cancels the data file being sent, even while the server keeps it waiting: nothing of
// it stays in the store, and the next push sends everything.
TEST_F(TeamStorePushTest, StopPush_CancelsTheFileBeingSent_TheNextPushSendsItAll) {
    for (std::uint64_t seed = 1; seed <= 5; ++seed) {
        record("r" + std::to_string(seed) + ".tlg", seed, true);
    }
    connection = "postgresql://tech_" + database + ":" + kPassword +
                 "@127.0.0.1:" + std::to_string(cluster().port()) + "/" + database;
    open();
    // The first data file's insert waits on the test's lock: the stop comes while it is being
    // sent, and the lock is held until the push has ended.
    store::PgConnection holder(cluster().adminConnection(database));
    holder.exec("BEGIN");
    holder.exec("LOCK TABLE tilt_data_files IN EXCLUSIVE MODE");
    window->findChild<QAction*>("mnuPush")->trigger();
    ASSERT_TRUE(gui.waitFor([this] {
        return window->statusBar()->currentMessage().startsWith("Pushing data file 1 of 5");
    }));
    EXPECT_FALSE(window->findChild<QAction*>("mnuPush")->isEnabled());
    window->findChild<QAction*>("mnuStopPush")->trigger();
    ASSERT_TRUE(settle());
    holder.exec("COMMIT");
    EXPECT_THAT(window->statusBar()->currentMessage().toStdString(),
                HasSubstr("Push stopped: what was sent is whole in the store"));
    EXPECT_TRUE(gui.texts().empty()) << "a stop is no failure";
    EXPECT_EQ(dataFilesOnServer(), 0);
    EXPECT_EQ(standingLabel()->text(), "Team store: 5 data files to push");
    EXPECT_FALSE(window->findChild<QAction*>("mnuStopPush")->isEnabled());

    push();
    EXPECT_EQ(dataFilesOnServer(), 5);
    EXPECT_EQ(standingLabel()->text(), "Team store: all pushed");
}

// A server that never answers: Stop gives the connection up at once, with no message, and
// closing the window does not wait for the server either.
TEST_F(TeamStorePushTest, StopWhileConnectingToASilentServer_GivesUpAtOnce) {
    record("a.tlg", 1, true);
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    connection = "postgresql://tech@127.0.0.1:" + std::to_string(silent.serverPort()) +
                 "/tilt?sslmode=disable&connect_timeout=600";
    open();
    window->findChild<QAction*>("mnuPush")->trigger();
    EXPECT_EQ(window->statusBar()->currentMessage(), "Connecting to the team store…");
    ASSERT_TRUE(silent.waitForNewConnection(10000)) << "the push is waiting for the server";
    window->findChild<QAction*>("mnuStopPush")->trigger();
    ASSERT_TRUE(settle());
    EXPECT_THAT(window->statusBar()->currentMessage().toStdString(), HasSubstr("Push stopped"));
    EXPECT_TRUE(gui.texts().empty());
    EXPECT_EQ(standingLabel()->text(), "Team store: 1 data file to push");

    window->findChild<QAction*>("mnuPush")->trigger();
    ASSERT_TRUE(window->busy());
    delete window;  // as closing it does: the push is given up, not waited for
    window = nullptr;
}

}  // namespace
}  // namespace tilt::library::ui
