// tiltctl's download, erase and launch against a tiltsim, in real time. Every download spends
// about four seconds on its parameter queries, so the recordings are kept to a few pages.
#include <gtest/gtest.h>
#include <signal.h>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tiltsim_process.h"

namespace {

class TiltctlLogging : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureCoreApplication(); }

    [[nodiscard]] std::string path(const char* name) const {
        return dir.filePath(name).toStdString();
    }

    static CtlResult download(const TiltsimProcess& sim, const std::string& file,
                              bool resume = false) {
        QStringList args = {"--port", QString::fromStdString(sim.path()), "download", "-o",
                            QString::fromStdString(file)};
        if (resume) {
            args << "--resume";
        }
        return runTiltctl(args);
    }

    QTemporaryDir dir;
};

TEST_F(TiltctlLogging, LinearRecording_HaltedByCtrlCAndResumed_GivesTheFilesOfOneGo) {
    TiltsimProcess sim({"--preload", "linear3", "--pages", "6"});
    ASSERT_FALSE(sim.path().empty());
    const auto whole = download(sim, path("walk.tlg"));
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    EXPECT_EQ(whole.out, "Download completed!\n" + path("walk.csv") + "\n");
    const std::string data = readFile(path("walk.tlg"));
    EXPECT_EQ(crlfLines(data), 12 + 6);
    // Page 0 is never written: page 1 follows the column line.
    EXPECT_EQ(data.find("\r\n1,"), data.find("Page,X Data-->,Y Data-->") + 24);
    EXPECT_NE(data.find("\r\n6,"), std::string::npos);
    const std::string csv = readFile(path("walk.csv"));
    EXPECT_EQ(crlfLines(csv), 12 + 6 * 132);

    // Ctrl+C once two pages are in.
    QProcess ctl;
    ctl.start(TILTCTL_PATH, {"--port", QString::fromStdString(sim.path()), "download", "-o",
                             QString::fromStdString(path("cut.tlg"))});
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (crlfLines(readFile(path("cut.tlg"))) < 14 && std::chrono::steady_clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(static_cast<pid_t>(ctl.processId()), SIGINT);
    ASSERT_TRUE(ctl.waitForFinished(5000));
    EXPECT_EQ(ctl.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(ctl.exitCode(), 130) << ctl.readAllStandardError().toStdString();
    const std::string halted = readFile(path("cut.tlg"));
    const long pagesKept = crlfLines(halted) - 12;
    EXPECT_GE(pagesKept, 2);
    EXPECT_LT(pagesKept, 6) << "the download was not halted";
    EXPECT_TRUE(data.starts_with(halted)) << "not cut at a page boundary";
    EXPECT_FALSE(std::filesystem::exists(path("cut.csv")));

    // A kill in the middle of a write leaves the start of the next line behind.
    std::ofstream(path("cut.tlg"), std::ios::binary | std::ios::app)
        << data.substr(halted.size(), 100);
    const auto resumed = download(sim, path("cut.tlg"), true);
    EXPECT_EQ(resumed.exitCode, 0) << resumed.err;
    EXPECT_NE(resumed.err.find("Resuming after page " + std::to_string(pagesKept) + "\n"),
              std::string::npos)
        << resumed.err;
    EXPECT_TRUE(readFile(path("cut.tlg")) == data) << "the data files differ";
    EXPECT_TRUE(readFile(path("cut.csv")) == csv) << "the CSV files differ";
}

TEST_F(TiltctlLogging, BinRecording_GivesNoCsvAndRefusesToResumeAnotherFile) {
    TiltsimProcess sim({"--preload", "bin", "--pages", "4"});
    ASSERT_FALSE(sim.path().empty());
    const auto bin = download(sim, path("bin.tlg"));
    EXPECT_EQ(bin.exitCode, 0) << bin.err;
    EXPECT_EQ(bin.out, "Download completed!\n");
    EXPECT_EQ(crlfLines(readFile(path("bin.tlg"))), 12 + 4);
    EXPECT_FALSE(std::filesystem::exists(path("bin.csv")));

    const std::string notes = "Veltrimonic Tiltavarometer Data File Version 3.2.4\r\nAngles\r\n";
    std::ofstream(path("notes.tlg"), std::ios::binary) << notes;
    const long before = receivedBytes(sim);
    const auto refused = download(sim, path("notes.tlg"), true);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("is no cut-off download"), std::string::npos) << refused.err;
    EXPECT_EQ(readFile(path("notes.tlg")), notes);
    EXPECT_EQ(receivedBytes(sim), before) << "no download file, yet the device was asked";
}

TEST_F(TiltctlLogging, ErasedMemory_GivesTheHeaderAloneAndDestructiveCommandsAskFirst) {
    TiltsimProcess sim({"--preload", "empty"});
    ASSERT_FALSE(sim.path().empty());
    const auto empty = download(sim, path("empty.tlg"));
    EXPECT_EQ(empty.exitCode, 0) << empty.err;
    EXPECT_EQ(empty.out, "Download completed!\n" + path("empty.csv") + "\n");
    EXPECT_EQ(crlfLines(readFile(path("empty.tlg"))), 12);
    EXPECT_EQ(crlfLines(readFile(path("empty.csv"))), 12);

    const QString port = QString::fromStdString(sim.path());
    const long before = receivedBytes(sim);
    const auto erase = runTiltctl({"--port", port, "erase"});
    EXPECT_EQ(erase.exitCode, 2);
    EXPECT_TRUE(
        erase.err.starts_with("All on-board data will be erased!\nClick YES to proceed.\n"
                              "Click NO to cancel this operation.\n"))
        << erase.err;
    const auto launch = runTiltctl({"--port", port, "launch"});
    EXPECT_EQ(launch.exitCode, 2);
    EXPECT_TRUE(
        launch.err.starts_with("Tiltavarometer will erase all on-board data before "
                               "launch!\nClick YES"))
        << launch.err;
    EXPECT_EQ(receivedBytes(sim), before) << "bytes reached the device";
}

}  // namespace
