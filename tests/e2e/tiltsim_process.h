#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/core_application.h"

// A tiltsim started for a test, serving on a pseudo-terminal until the test ends.
class TiltsimProcess {
  public:
    explicit TiltsimProcess(QStringList options) {
        options << "--rx-log" << rxLogPath();
        process_.start(TILTSIM_PATH, options);
        if (process_.waitForStarted(5000) && process_.waitForReadyRead(5000)) {
            path_ = QString::fromLocal8Bit(process_.readLine()).trimmed().toStdString();
        }
    }
    ~TiltsimProcess() {
        process_.closeWriteChannel();  // tiltsim ends when its standard input closes
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    TiltsimProcess(const TiltsimProcess&) = delete;
    TiltsimProcess& operator=(const TiltsimProcess&) = delete;

    [[nodiscard]] const std::string& path() const { return path_; }
    [[nodiscard]] QString rxLogPath() const { return dir_.filePath("rx.log"); }
    [[nodiscard]] QProcess& process() { return process_; }

  private:
    QTemporaryDir dir_;
    QProcess process_;
    std::string path_;
};

// What every run of the programs needs: a Qt application for QProcess, and a folder of its own.
class ProgramTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureCoreApplication(); }

    [[nodiscard]] std::string path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }

    QTemporaryDir dir;
};

struct CtlResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs tiltctl to its end. `setUp` may change the process before it starts (its environment, or
// limits through a child process modifier).
inline CtlResult runTiltctl(const QStringList& args,
                            const std::function<void(QProcess&)>& setUp = {}) {
    QProcess ctl;
    if (setUp) {
        setUp(ctl);
    }
    ctl.start(TILTCTL_PATH, args);
    ctl.waitForFinished(30000);
    return {ctl.exitCode(), ctl.readAllStandardOutput().toStdString(),
            ctl.readAllStandardError().toStdString()};
}

// Runs tiltctl on the tiltsim's terminal.
inline CtlResult runTiltctlOn(const TiltsimProcess& sim, const QStringList& args) {
    return runTiltctl(QStringList{"--port", QString::fromStdString(sim.path())} + args);
}

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline long crlfLines(const std::string& text) {
    long lines = 0;
    for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
        ++lines;
    }
    return lines;
}

// Bytes the device has received so far; tiltsim logs one a line.
inline long receivedBytes(const TiltsimProcess& sim) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let tiltsim log what came
    const std::string log = readFile(sim.rxLogPath().toStdString());
    return std::count(log.begin(), log.end(), '\n');
}

// What tiltsim logged with --rx-log: when each byte arrived (seconds) and its value.
struct Received {
    double at = 0;
    int value = 0;
};

inline std::vector<Received> receivedLog(const TiltsimProcess& sim) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let tiltsim log what came
    std::istringstream lines(readFile(sim.rxLogPath().toStdString()));
    std::vector<Received> log;
    for (Received r; lines >> r.at >> r.value;) {
        log.push_back(r);
    }
    return log;
}
