// tiltctl's download, erase and launch against a tiltsim, in real time. The recordings are kept
// to a few pages.

#include <QCryptographicHash>
#include <QFile>
#include <QJsonObject>
#include <filesystem>

#include "tiltsim_process.h"

namespace {

class TiltctlLogging : public ProgramTest {
  protected:
    static CtlResult download(const TiltsimProcess& sim, const std::string& file,
                              bool resume = false) {
        return runTiltctlOn(sim, QStringList{"download", "-o", QString::fromStdString(file)} +
                                     (resume ? QStringList{"--resume"} : QStringList{}));
    }
};

// The page numbers of a data file's page lines, in file order.
std::vector<int> pageNumbers(const std::string& data) {
    std::vector<int> pages;
    const auto lines = linesOf(data);
    for (std::size_t n = 12; n < lines.size(); ++n) {  // after the twelve header lines
        pages.push_back(std::stoi(lines[n].substr(0, lines[n].find(','))));
    }
    return pages;
}

// The recordings library's entries of `file` (tiltctl library list --json).
std::vector<QJsonObject> libraryEntriesOf(const std::string& file) {
    std::vector<QJsonObject> entries;
    for (const auto& line : linesOf(runTiltctl({"library", "list", "--json"}).out)) {
        const QJsonObject entry = jsonObject(line);
        if (entry["file"].toString().toStdString() == file) {
            entries.push_back(entry);
        }
    }
    return entries;
}

// How a halted download comes out whole again is the download's own affair (its tests compare
// the files byte for byte); here, what tiltctl does with Ctrl+C and --resume.
TEST_F(TiltctlLogging, LinearRecording_HaltedByCtrlCAtAPageBoundary_AndResumedToTheEnd) {
    TiltsimProcess sim({"--preload", "linear3", "--pages", "6"});

    // Ctrl+C once two pages are in: exit 130 whatever else was asked for; with --erase-after
    // the logger is kept, and tiltctl says so.
    for (const bool eraseAfter : {true, false}) {
        QProcess ctl;
        std::filesystem::remove(path("walk.tlg"));
        useTestDataRoot(ctl);
        ctl.start(TILTCTL_PATH,
                  onPort(sim, {"download", "-o", QString::fromStdString(path("walk.tlg"))}) +
                      (eraseAfter ? QStringList{"--erase-after"} : QStringList{}));
        waitForCrlfLines(path("walk.tlg"), 14);
        interrupt(ctl);
        ASSERT_TRUE(ctl.waitForFinished(5000));
        EXPECT_EQ(ctl.exitStatus(), QProcess::NormalExit);
        const std::string err = ctl.readAllStandardError().toStdString();
        EXPECT_EQ(ctl.exitCode(), 130) << eraseAfter << err;
        EXPECT_EQ(
            err.find("The logger was not erased: the download was halted") != std::string::npos,
            eraseAfter)
            << err;
    }
    const std::string halted = readFile(path("walk.tlg"));
    const long pagesKept = crlfLines(halted) - 12;
    EXPECT_GE(pagesKept, 2);
    EXPECT_LT(pagesKept, 6) << "the download was not halted";
    EXPECT_FALSE(std::filesystem::exists(path("walk.csv")));
    auto entries = libraryEntriesOf(path("walk.tlg"));
    ASSERT_EQ(entries.size(), 1U) << "two halted downloads into one file are one entry";
    EXPECT_FALSE(entries[0]["complete"].toBool());
    EXPECT_EQ(entries[0]["pages"].toInt(), pagesKept);

    const auto resumed = download(sim, path("walk.tlg"), true);
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_EQ(resumed.out, "Download completed!\n" + path("walk.csv") + "\n");
    EXPECT_THAT(resumed.err, HasSubstr("Resuming after page " + std::to_string(pagesKept) + "\n"));
    const std::string data = readFile(path("walk.tlg"));
    EXPECT_EQ(pageNumbers(data), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(crlfLines(readFile(path("walk.csv"))), 12 + 6 * 132);
    entries = libraryEntriesOf(path("walk.tlg"));
    ASSERT_EQ(entries.size(), 1U) << "a resumed download stays one entry";
    EXPECT_TRUE(entries[0]["complete"].toBool());
    EXPECT_EQ(entries[0]["pages"].toInt(), 6);
    EXPECT_EQ(entries[0]["samples"].toInt(), 6 * 132);
    EXPECT_EQ(entries[0]["program"].toString(), "tiltctl");
    EXPECT_EQ(entries[0]["sha256"].toString(),
              QCryptographicHash::hash(QByteArray::fromStdString(data), QCryptographicHash::Sha256)
                  .toHex());
}

TEST_F(TiltctlLogging, BinRecording_GivesNoCsvAndRefusesToResumeAnotherFile) {
    TiltsimProcess sim({"--preload", "bin", "--pages", "4"});
    const auto bin = download(sim, path("bin.tlg"));
    EXPECT_EQ(bin.exitCode, 0) << bin.err;
    EXPECT_EQ(bin.out, "Download completed!\n");
    const auto csv = runTiltctl({"csv", QString::fromStdString(path("bin.tlg"))});
    EXPECT_EQ(csv.exitCode, 1);
    EXPECT_THAT(csv.err, HasSubstr("is no linear recording"));
    EXPECT_FALSE(std::filesystem::exists(path("bin.csv")));
    // A name whose CSV file would have a stray name is refused before anything is sent.
    const long asked = receivedBytes(sim);
    const auto bare = runTiltctlOn(sim, {"download", "-o", QString::fromStdString(path("walk"))});
    EXPECT_EQ(bare.exitCode, 2);
    EXPECT_EQ(receivedBytes(sim), asked);

    const std::string notes = "Veltrimonic Tiltavarometer Data File Version 3.2.4\r\nAngles\r\n";
    std::ofstream(path("notes.tlg"), std::ios::binary) << notes;
    const long before = receivedBytes(sim);
    const auto refused = download(sim, path("notes.tlg"), true);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.err, HasSubstr("is no cut-off download"));
    EXPECT_EQ(readFile(path("notes.tlg")), notes);
    EXPECT_EQ(receivedBytes(sim), before) << "no download file, yet the device was asked";
}

TEST_F(TiltctlLogging, ErasedMemory_GivesTheHeaderAloneAndDestructiveCommandsAskFirst) {
    TiltsimProcess sim({"--preload", "empty"});
    const auto empty = download(sim, path("empty.tlg"));
    EXPECT_EQ(empty.exitCode, 0) << empty.err;
    EXPECT_EQ(empty.out, "Download completed!\n" + path("empty.csv") + "\n");
    EXPECT_EQ(crlfLines(readFile(path("empty.tlg"))), 12);
    EXPECT_EQ(crlfLines(readFile(path("empty.csv"))), 12);

    const long before = receivedBytes(sim);
    const auto erase = runTiltctlOn(sim, {"erase"});
    EXPECT_EQ(erase.exitCode, 2);
    EXPECT_TRUE(
        erase.err.starts_with("All on-board data will be erased!\nClick YES to proceed.\n"
                              "Click NO to cancel this operation.\n"))
        << erase.err;
    const auto launch = runTiltctlOn(sim, {"launch"});
    EXPECT_EQ(launch.exitCode, 2);
    EXPECT_TRUE(
        launch.err.starts_with("Tiltavarometer will erase all on-board data before "
                               "launch!\nClick YES"))
        << launch.err;
    EXPECT_EQ(receivedBytes(sim), before) << "bytes reached the device";
}

// --erase-after with --json: the summary says the logger was erased, and the next download
// finds it empty; a file that cannot be written erases nothing, says why and exits 1.
TEST_F(TiltctlLogging, EraseAfterJson_ErasesOnlyAfterAWholeFile) {
    TiltsimProcess sim({"--preload", "linear1", "--pages", "8"});
    const auto refused =
        runTiltctlOn(sim, {"download", "-o", "/dev/full", "--erase-after", "--json"});
    EXPECT_EQ(refused.exitCode, 1);
    const QJsonObject no = jsonObject(refused.out);
    EXPECT_EQ(no.value("erased").toBool(true), false) << refused.out;
    EXPECT_EQ(no.value("result").toString(), "file failed") << refused.out;
    EXPECT_THAT(refused.err,
                HasSubstr("The logger was not erased: the download did not complete."));

    const auto erased = runTiltctlOk(
        sim,
        {"download", "-o", QString::fromStdString(path("rec.tlg")), "--erase-after", "--json"});
    const QJsonObject yes = jsonObject(erased.out);
    EXPECT_EQ(yes.value("result").toString(), "completed") << erased.out;
    EXPECT_EQ(yes.value("pagesInFile").toInt(), 8);
    EXPECT_EQ(yes.value("erased").toBool(false), true);
    EXPECT_EQ(yes.value("csv").toString().toStdString(), path("rec.csv"));
    EXPECT_EQ(crlfLines(readFile(path("rec.tlg"))), 12 + 8);
}

}  // namespace
