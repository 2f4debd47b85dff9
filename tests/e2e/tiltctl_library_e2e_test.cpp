// tiltctl library on a data root of its own: import of a folder with a duplicate and a damaged
// file, the list scripts read, show, forget (never the file) and a file gone missing.
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <chrono>
#include <filesystem>
#include <thread>

#include "device/recording_file.h"
#include "support/sim_bench.h"
#include "tiltsim_process.h"

namespace {

using tilt::device::Preload;
namespace fs = std::filesystem;

class TiltctlLibrary : public ProgramTest {
  protected:
    // tiltctl on this test's own data root, or on `home`.
    CtlResult tiltctl(const QStringList& args) { return tiltctlAt(path("home"), args); }
    static CtlResult tiltctlAt(const std::string& home, const QStringList& args) {
        return runTiltctl(args, [home](QProcess& ctl) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("TILTAVAROMETER_HOME", QString::fromStdString(home));
            ctl.setProcessEnvironment(env);
        });
    }
    CtlResult library(const QStringList& args) { return tiltctl(QStringList{"library"} + args); }
    std::string recording(const std::string& name, Preload preload, std::uint64_t seed) {
        const std::string file = path("field/" + name);
        fs::create_directories(path("field"));
        tilt::device::downloadSimulatedRecording(tilt::testing::recording(preload, 3, seed), file);
        return file;
    }
};

std::string sha256Of(const std::string& file) {
    QFile data(QString::fromStdString(file));
    EXPECT_TRUE(data.open(QIODevice::ReadOnly));
    return QCryptographicHash::hash(data.readAll(), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

TEST_F(TiltctlLibrary, ImportListShowForget_AndAFileGoneMissing) {
    const std::string walk = recording("walk.tlg", Preload::Linear3, 1);
    const std::string bins = recording("bins.tlg", Preload::Bin, 2);
    fs::create_directories(path("field/copies"));
    fs::copy_file(walk, path("field/copies/walk again.tlg"));
    std::ofstream(path("field/notes.tlg"), std::ios::binary) << "shopping list\n";

    const auto imported = library({"import", QString::fromStdString(path("field"))});
    EXPECT_EQ(imported.exitCode, 1) << "a refused file is an error";
    EXPECT_EQ(imported.out, "Imported 2 data files, 1 already in the library, 1 refused.\n");
    EXPECT_EQ(linesOf(imported.err).size(), 1U) << imported.err;
    EXPECT_NE(imported.err.find(path("field/notes.tlg") + " is not a Tiltavarometer data file"),
              std::string::npos)
        << imported.err;
    EXPECT_EQ(library({"import", QString::fromStdString(walk)}).out,
              "Imported 0 data files, 1 already in the library, 0 refused.\n");

    const auto listed = library({"list", "--json"});
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    const auto lines = linesOf(listed.out);
    ASSERT_EQ(lines.size(), 2U);
    std::map<std::string, QJsonObject> byMode;
    for (const auto& line : lines) {
        const QJsonObject o = jsonObject(line);
        for (const char* key : {"id", "serial", "launchTime", "mode", "channel", "pages", "samples",
                                "file", "sha256", "complete", "missing", "downloadedAt"}) {
            EXPECT_TRUE(o.contains(key)) << key << " in " << line;
        }
        byMode[o["mode"].toString().toStdString()] = o;
    }
    // Of the two copies of walk.tlg, the one found first is kept.
    const QJsonObject w = byMode["linear"];
    const std::string walkFile = w["file"].toString().toStdString();
    EXPECT_TRUE(walkFile == walk || walkFile == path("field/copies/walk again.tlg")) << walkFile;
    EXPECT_EQ(w["channel"].toInt(), 3);
    EXPECT_EQ(w["pages"].toInt(), 3);
    EXPECT_EQ(w["samples"].toInt(), 3 * 132);
    EXPECT_EQ(w["sha256"].toString().toStdString(), sha256Of(walk));
    EXPECT_EQ(w["launchTime"].toString().size(), 23);
    EXPECT_TRUE(w["complete"].toBool());
    EXPECT_FALSE(w["missing"].toBool());
    EXPECT_EQ(byMode["bin"]["file"].toString().toStdString(), bins);

    const QString binsId = QString::number(byMode["bin"]["id"].toInt());
    const auto shown = library({"show", binsId, "--json"});
    EXPECT_EQ(jsonObject(linesOf(shown.out).at(0))["file"].toString().toStdString(), bins);
    const auto forgot = library({"forget", binsId});
    EXPECT_EQ(forgot.exitCode, 0) << forgot.err;
    EXPECT_TRUE(fs::exists(bins)) << "the file stays";
    EXPECT_EQ(library({"forget", binsId}).exitCode, 1);

    fs::remove(walkFile);
    const auto after = linesOf(library({"list", "--json"}).out);
    ASSERT_EQ(after.size(), 1U);
    EXPECT_TRUE(jsonObject(after[0])["missing"].toBool()) << "shown as missing, not dropped";
    EXPECT_EQ(library({"list", "--serial", "99999"}).out, "");
    EXPECT_EQ(library({"show", "abc"}).exitCode, 2);
}

// The commands tiltsim received: a query is 'r' and an address, a page request 'd' and two bytes;
// anything else is a command of its own ('e', 'X', ...).
std::vector<int> commandsIn(const std::vector<Received>& log) {
    std::vector<int> commands;
    for (std::size_t i = 0; i < log.size();) {
        commands.push_back(log[i].value);
        i += log[i].value == 'r' ? 2 : log[i].value == 'd' ? 3 : log[i].value == 'p' ? 3 : 1;
    }
    return commands;
}

TEST_F(TiltctlLibrary, EraseOfARecordingNeverDownloaded_IsRefused_UntilItIs) {
    TiltsimProcess sim({"--preload", "linear1", "--pages", "30"});
    const auto refused = tiltctl(onPort(sim, {"erase", "--yes"}));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, ::testing::HasSubstr(
                                 "that was never downloaded to this computer: pages 1 to 30 are on "
                                 "the logger only.\nNothing was erased. Download it first"))
        << refused.err;
    const auto commands = commandsIn(receivedLog(sim));
    EXPECT_EQ(std::count(commands.begin(), commands.end(), 'e'), 0) << "an erase went out";
    EXPECT_EQ(std::count(commands.begin(), commands.end(), 'X'), 0);
    const auto launch = tiltctl(onPort(sim, {"launch", "--yes", "--json"}));
    EXPECT_EQ(launch.exitCode, 1);
    EXPECT_EQ(launch.out, "{\"exitCode\":1,\"launched\":false}\n");

    // Downloaded whole, it is erased; then the empty memory is erased without a question.
    EXPECT_EQ(
        tiltctl(onPort(sim, {"download", "-o", QString::fromStdString(path("d.tlg"))})).exitCode,
        0);
    const auto erased = tiltctl(onPort(sim, {"erase", "--yes"}));
    EXPECT_EQ(erased.exitCode, 0) << erased.err;
    EXPECT_EQ(erased.out, "Erase completed!\n");
    const auto again = tiltctl(onPort(sim, {"erase", "--yes", "--json"}));
    EXPECT_EQ(again.exitCode, 0) << again.err;
    const auto after = commandsIn(receivedLog(sim));
    EXPECT_EQ(std::count(after.begin(), after.end(), 'e'), 2);
}

// Told to lose it, the launch goes on, and the library keeps the moment logging started.
TEST_F(TiltctlLibrary, LaunchThatDiscardsARecording_GoesOn) {
    TiltsimProcess sim({"--preload", "linear1", "--pages", "5"});
    const auto launch =
        tiltctl(onPort(sim, {"launch", "--yes", "--discard-undownloaded", "--json"}));
    EXPECT_EQ(launch.exitCode, 0) << launch.err;
    EXPECT_EQ(launch.out, "{\"exitCode\":0,\"launched\":true}\n");
    const auto commands = commandsIn(receivedLog(sim));
    EXPECT_EQ(std::count(commands.begin(), commands.end(), 'X'), 1);

    // A download of the new recording carries that moment, for its dated export.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const auto download =
        tiltctl(onPort(sim, {"download", "-o", QString::fromStdString(path("new.tlg"))}));
    EXPECT_EQ(download.exitCode, 0) << download.err;
    const auto listed = library({"list", "--json"});
    const QJsonObject entry =
        QJsonDocument::fromJson(QByteArray::fromStdString(listed.out)).object();
    // The moment the launch sent 'X', on this computer's clock.
    const QDateTime started =
        QDateTime::fromString(entry.value("loggingStarted").toString(), Qt::ISODateWithMs);
    ASSERT_TRUE(started.isValid()) << listed.out;
    EXPECT_LT(std::abs(started.secsTo(QDateTime::currentDateTime())), 120) << listed.out;
    // Its dated export counts from that moment.
    const auto exported = tiltctl({"export", QString::fromStdString(path("new.tlg"))});
    EXPECT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_NE(exported.out.find("Times count from the moment logging started"), std::string::npos)
        << exported.out.substr(0, 600);
}

// Whatever keeps the library from recording, the download completes byte for byte, and one line
// says that the library could not record it and why.
TEST_F(TiltctlLibrary, LibraryHeldOutOfReachOrGarbage_TheDownloadCompletesAnyway) {
    TiltsimProcess sim({"--preload", "linear2", "--pages", "8"});
    const auto downloadAt = [&](const std::string& home, const std::string& name) {
        return tiltctlAt(home, onPort(sim, {"download", "-o", QString::fromStdString(path(name))}));
    };
    ASSERT_EQ(downloadAt(path("home"), "clean.tlg").exitCode, 0);
    const std::string clean = readFile(path("clean.tlg"));
    const std::string libraryFile = path("home/library.sqlite");
    const auto couldNotRecord = [](const std::string& err) {
        const auto lines = linesOf(err);
        return std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
            return line.starts_with("The recordings library could not record this download: ");
        });
    };

    {  // Another program holds the file with a write transaction of its own.
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "held");
        other.setDatabaseName(QString::fromStdString(libraryFile));
        ASSERT_TRUE(other.open());
        QSqlQuery hold(other);
        ASSERT_TRUE(hold.exec("BEGIN EXCLUSIVE"));
        const auto held = downloadAt(path("home"), "held.tlg");
        EXPECT_EQ(held.exitCode, 0) << held.err;
        EXPECT_TRUE(readFile(path("held.tlg")) == clean);
        EXPECT_EQ(couldNotRecord(held.err), 1) << held.err;
        (void)hold.exec("ROLLBACK");
        other.close();
    }
    QSqlDatabase::removeDatabase("held");

    // A data root that cannot be made (below a file): the library is out of reach.
    std::ofstream(path("a file")) << "not a folder\n";
    const auto unreachable = downloadAt(path("a file") + "/home", "unreachable.tlg");
    EXPECT_EQ(unreachable.exitCode, 0) << unreachable.err;
    EXPECT_TRUE(readFile(path("unreachable.tlg")) == clean);
    EXPECT_EQ(couldNotRecord(unreachable.err), 1) << unreachable.err;

    // Garbage over the file: set aside, a new library started, said once; the download is in it.
    const std::string garbage(4096, 'g');
    std::ofstream(libraryFile, std::ios::binary | std::ios::trunc) << garbage;
    const auto replaced = downloadAt(path("home"), "replaced.tlg");
    EXPECT_EQ(replaced.exitCode, 0) << replaced.err;
    EXPECT_TRUE(readFile(path("replaced.tlg")) == clean);
    EXPECT_THAT(replaced.err, ::testing::HasSubstr("was damaged")) << replaced.err;
    EXPECT_EQ(couldNotRecord(replaced.err), 0) << replaced.err;
    int setAside = 0;
    for (const auto& entry : fs::directory_iterator(path("home"))) {
        if (entry.path().filename().string().starts_with("library-damaged-")) {
            ++setAside;
            EXPECT_TRUE(readFile(entry.path().string()) == garbage);
        }
    }
    EXPECT_EQ(setAside, 1);
    const auto listed = library({"list", "--json"});
    EXPECT_EQ(linesOf(listed.out).size(), 1U) << listed.out;
    EXPECT_NE(listed.out.find("replaced.tlg"), std::string::npos) << listed.out;
}

// Every configuration read and write lands in the logger's history, with what the write changed.
TEST_F(TiltctlLibrary, ConfigurationReadAndWrite_AreTheLoggersHistory) {
    TiltsimProcess sim({});
    ASSERT_EQ(tiltctl(onPort(sim, {"config", "read"})).exitCode, 0);
    const auto set = tiltctl(onPort(sim, {"config", "set", "Averages=7"}));
    ASSERT_EQ(set.exitCode, 0) << set.err;
    const auto listed = tiltctl(onPort(sim, {"config", "read", "--json"}));
    const int serial = QJsonDocument::fromJson(QByteArray::fromStdString(listed.out))
                           .object()
                           .value("SerialNumber")
                           .toInt(-1);
    ASSERT_GE(serial, 0) << listed.out;
    const auto history = library({"history", QString::number(serial), "--json"});
    ASSERT_EQ(history.exitCode, 0) << history.err;
    // The read, the set's read and its write, and the last read (the set checks its cells with a
    // read of those cells only, which is no configuration).
    int reads = 0;
    int writes = 0;
    for (const std::string& line : linesOf(history.out)) {
        const QJsonObject s = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        reads += s.value("kind").toString() == "read" ? 1 : 0;
        if (s.value("kind").toString() == "write") {
            ++writes;
            EXPECT_EQ(s.value("values").toObject().value("Averages").toString(), "7") << line;
            EXPECT_TRUE(s.value("changed").toObject().contains("Averages")) << line;
        }
    }
    EXPECT_EQ(reads, 3) << history.out;
    EXPECT_EQ(writes, 1) << history.out;
}

}  // namespace
