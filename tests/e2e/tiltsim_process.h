#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "support/core_application.h"
#include "support/temp_folder.h"

using ::testing::HasSubstr;

// A tiltsim started for a test, serving on a pseudo-terminal until the test ends.
class TiltsimProcess {
  public:
    explicit TiltsimProcess(QStringList options) {
        options << "--rx-log" << rxLogPath();
        process_.start(TILTSIM_PATH, options);
        if (process_.waitForStarted(5000) && process_.waitForReadyRead(5000)) {
            path_ = QString::fromLocal8Bit(process_.readLine()).trimmed().toStdString();
        }
        if (path_.empty()) {  // a test fails with this, a benchmark ends with it
            throw std::runtime_error("tiltsim printed no terminal path");
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
    // Stops or continues the device, as a logger that falls silent and wakes again.
    void sendSignal(int number) { ::kill(static_cast<pid_t>(process_.processId()), number); }

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

// The data root of every tiltctl the tests start: a folder of the test program's own, never the
// user's, so that the recordings library the downloads record into is a throwaway one.
inline void useTestDataRoot(QProcess& process) {
    static const QTemporaryDir root;
    QProcessEnvironment env = process.processEnvironment();
    if (env.isEmpty()) {
        env = QProcessEnvironment::systemEnvironment();
    }
    env.insert("TILTAVAROMETER_HOME", root.path());
    process.setProcessEnvironment(env);
}

// Runs tiltctl to its end. `setUp` may change the process before it starts (its environment, or
// limits through a child process modifier).
inline CtlResult runTiltctl(const QStringList& args,
                            const std::function<void(QProcess&)>& setUp = {}) {
    QProcess ctl;
    useTestDataRoot(ctl);
    if (setUp) {
        setUp(ctl);
    }
    ctl.start(TILTCTL_PATH, args);
    ctl.waitForFinished(30000);
    return {ctl.exitCode(), ctl.readAllStandardOutput().toStdString(),
            ctl.readAllStandardError().toStdString()};
}

// tiltctl's arguments for a run on the tiltsim's terminal.
inline QStringList onPort(const TiltsimProcess& sim, const QStringList& args) {
    return QStringList{"--port", QString::fromStdString(sim.path())} + args;
}

inline CtlResult runTiltctlOn(const TiltsimProcess& sim, const QStringList& args) {
    return runTiltctl(onPort(sim, args));
}

// Runs tiltctl on the tiltsim's terminal, where it must succeed.
inline CtlResult runTiltctlOk(const TiltsimProcess& sim, const QStringList& args) {
    CtlResult result = runTiltctlOn(sim, args);
    EXPECT_EQ(result.exitCode, 0) << args.join(' ').toStdString() << ": " << result.err;
    return result;
}

// Ctrl+C, as a user at the terminal gives it.
inline void interrupt(const QProcess& process) {
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
}

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The one JSON object of `text`; a parse error fails the test.
inline QJsonObject jsonObject(const std::string& text) {
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document.object();
}

inline std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

using tilt::testing::readFile;

inline long crlfLines(const std::string& text) {
    long lines = 0;
    for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) {
        ++lines;
    }
    return lines;
}

// Waits until `file` holds at least `lines` CR LF lines, for at most 30 s.
inline bool waitForCrlfLines(const std::string& file, long lines) {
    const auto giveUp = Clock::now() + std::chrono::seconds(30);
    while (crlfLines(readFile(file)) < lines && Clock::now() < giveUp) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return crlfLines(readFile(file)) >= lines;
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

// Bytes the device has received so far.
inline long receivedBytes(const TiltsimProcess& sim) {
    return static_cast<long>(receivedLog(sim).size());
}

// The byte values of `log` from `from` on.
inline std::vector<int> valuesOf(const std::vector<Received>& log, std::size_t from = 0) {
    std::vector<int> values;
    for (std::size_t i = from; i < log.size(); ++i) {
        values.push_back(log[i].value);
    }
    return values;
}
