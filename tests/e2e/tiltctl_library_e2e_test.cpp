// tiltctl library on a data root of its own: import of a folder with a duplicate and a damaged
// file, the list scripts read, show, forget (never the file) and a file gone missing.
#include <QCryptographicHash>
#include <QFile>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <filesystem>

#include "device/recording_file.h"
#include "support/sim_bench.h"
#include "tiltsim_process.h"

namespace {

using tilt::device::Preload;
namespace fs = std::filesystem;

class TiltctlLibrary : public ProgramTest {
  protected:
    CtlResult library(const QStringList& args) {
        return runTiltctl(QStringList{"library"} + args, [this](QProcess& ctl) {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("TILTAVAROMETER_HOME", QString::fromStdString(path("home")));
            ctl.setProcessEnvironment(env);
        });
    }
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

}  // namespace
