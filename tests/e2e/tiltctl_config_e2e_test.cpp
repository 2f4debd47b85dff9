// tiltctl's configuration commands against a tiltsim, in real time, asserting on the bytes the
// device received and their spacing. A full write takes 22 s, so it is done once; the other
// changes go through config set.
#include <gtest/gtest.h>
#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <numeric>
#include <sstream>
#include <thread>
#include <vector>

#include "support/config_read_cells.h"
#include "tiltsim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kP = 112;  // 'p'
constexpr int kR = 114;  // 'r'
constexpr int kA = 97;   // 'a'
// A pause the program keeps between a command and its argument: 12 ms. The device logs a byte
// when it reads it, so a late read shortens the gap seen; no pause at all shows as ~0.
constexpr double kLeastMeanArgumentPause = 0.011;
constexpr double kTickSlack = 0.05;

// Checks that `log` from `from` on starts with one 'r' and its address per cell, the address after
// the 12 ms pause. tiltsim stamps a byte when it gets to read it, which a loaded machine delays
// now and then; the pauses are held to their mean here, each to the millisecond in the tests
// that run in virtual time.
void expectReads(const std::vector<Received>& log, std::size_t from,
                 const std::vector<int>& addresses) {
    ASSERT_GE(log.size(), from + 2 * addresses.size());
    double pauses = 0;
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        const Received& command = log[from + 2 * i];
        const Received& address = log[from + 2 * i + 1];
        EXPECT_EQ(command.value, kR) << "request " << i;
        EXPECT_EQ(address.value, addresses[i]) << "request " << i;
        pauses += address.at - command.at;
    }
    EXPECT_GE(pauses / static_cast<double>(addresses.size()), kLeastMeanArgumentPause);
}

struct CellWrite {
    int tick = 0;  // 0 for the first tick, 500 ms after the start
    int address = 0;
    int value = 0;
};

// Checks that `log` from `from` on holds exactly `writes`: 'p', the address, the value, 12 ms
// apart, each on its tick of 500 ms.
void expectWrites(const std::vector<Received>& log, std::size_t from,
                  const std::vector<CellWrite>& writes) {
    ASSERT_EQ(log.size(), from + 3 * writes.size());
    const double firstTick = log[from].at - writes.front().tick * 0.5;
    double pauses = 0;  // held to their mean, as in expectReads
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const Received* w = &log[from + 3 * i];
        EXPECT_EQ(w[0].value, kP) << "write " << i;
        EXPECT_EQ(w[1].value, writes[i].address) << "write " << i;
        EXPECT_EQ(w[2].value, writes[i].value) << "address " << writes[i].address;
        EXPECT_NEAR(w[0].at - firstTick, writes[i].tick * 0.5, kTickSlack) << "write " << i;
        pauses += w[2].at - w[0].at;
    }
    EXPECT_GE(pauses / static_cast<double>(writes.size()), 2 * kLeastMeanArgumentPause);
}

QJsonObject jsonObject(const std::string& text) {
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return document.object();
}

const QStringList kProfileKeys = {"Averages",      "BinLinearMode",
                                  "DacSetting1",   "DacSetting2",
                                  "DacSetting3",   "DacSetting4",
                                  "FilterLevel",   "GainX",
                                  "GainY",         "GainZ",
                                  "HighAlarmX",    "HighAlarmY",
                                  "LinearChannel", "LinearUpdateRate",
                                  "LowAlarmX",     "LowAlarmY",
                                  "OffsetX",       "OffsetY",
                                  "OffsetZ",       "ShakerEnable",
                                  "TareEnable",    "TareX",
                                  "TareY",         "UpdateTimeIncrement"};

// The factory configuration of a tiltsim, which is also the Show Defaults profile.
QJsonObject factoryProfile() {
    return {{"OffsetX", 323},
            {"OffsetY", 408},
            {"OffsetZ", 322},
            {"GainX", 323},
            {"GainY", 324},
            {"GainZ", 322},
            {"TareX", 0},
            {"TareY", 0},
            {"LowAlarmX", -180},
            {"HighAlarmX", 180},
            {"LowAlarmY", -90},
            {"HighAlarmY", 90},
            {"UpdateTimeIncrement", 3},
            {"Averages", 1},
            {"ShakerEnable", 0},
            {"FilterLevel", 1},
            {"TareEnable", 1},
            {"BinLinearMode", 1},
            {"LinearChannel", 3},
            {"DacSetting1", 512},
            {"DacSetting2", 512},
            {"DacSetting3", 512},
            {"DacSetting4", 512},
            {"LinearUpdateRate", 15}};
}

// 5461 / 32767 × 180: what 30 degrees on the X scale reads back as.
constexpr double kThirtyReadBack = 5461.0 / 32767.0 * 180.0;

class TiltctlConfig : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureCoreApplication(); }

    std::string write(const char* name, const std::string& text) const {
        const std::string file = dir.filePath(name).toStdString();
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    std::string write(const char* name, const QJsonObject& object) const {
        return write(name, QJsonDocument(object).toJson().toStdString());
    }

    static CtlResult ctl(const TiltsimProcess& sim, QStringList args) {
        args.prepend(QString::fromStdString(sim.path()));
        args.prepend("--port");
        return runTiltctl(args);
    }

    QTemporaryDir dir;
};

TEST_F(TiltctlConfig, ConfigRead_FactoryDevice_PrintsEveryParameterAndTheJsonKeys) {
    TiltsimProcess sim({});
    ASSERT_FALSE(sim.path().empty());
    const auto json = ctl(sim, {"config", "read", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const QJsonObject read = jsonObject(json.out);
    QJsonObject expected = factoryProfile();
    const int serial = read["SerialNumber"].toInt();
    EXPECT_GE(serial, 1000);
    expected["SerialNumber"] = serial;
    for (const auto& [key, value] :
         std::initializer_list<std::pair<const char*, int>>{{"LaunchDay", 2},
                                                            {"LaunchMonth", 11},
                                                            {"LaunchYear", 2026},
                                                            {"LaunchHour", 8},
                                                            {"LaunchMinute", 30},
                                                            {"LaunchSecond", 0}}) {
        expected[key] = value;
    }
    EXPECT_EQ(read, expected);

    const auto plain = ctl(sim, {"config", "read"});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.out,
              "X Offset: 323\nY Offset: 408\nZ Offset: 322\nX Gain: 323\nY Gain: 324\n"
              "Z Gain: 322\nX Tare: 0\nY Tare: 0\nX Low Alarm: -180\nX High Alarm: 180\n"
              "Y Low Alarm: -90\nY High Alarm: 90\nUpdate Time Increment: 3\nAverages: 1\n"
              "Shaker Enable: 0\nFilter Level: 1\nTare Enable: 1\nBin(0)/Linear(1) Mode: 1\n"
              "Linear Channels: 3\nDAC1: 512\nDAC2: 512\nDAC3: 512\nDAC4: 512\n"
              "Serial Number: " +
                  std::to_string(serial) +
                  "\nLinear Update Rate: 15\nLaunch Day: 2\nLaunch Year: 2026\n"
                  "Launch Hour: 8\nLaunch Minute: 30\nLaunch Second: 0\nLaunch Month: 11\n"
                  "Read completed!\n");

    const auto log = receivedLog(sim);
    const auto addresses = tilt::testing::configReadCells();
    ASSERT_EQ(addresses.size(), 53u);
    ASSERT_EQ(log.size(), 4 * addresses.size());
    expectReads(log, 0, addresses);
    expectReads(log, 2 * addresses.size(), addresses);
}

TEST_F(TiltctlConfig, ConfigDefaults_IsTheShowDefaultsProfileOfExactlyTheProfileKeys) {
    const auto defaults = runTiltctl({"config", "defaults"});
    EXPECT_EQ(defaults.exitCode, 0) << defaults.err;
    const QJsonObject profile = jsonObject(defaults.out);
    EXPECT_EQ(profile.keys(), kProfileKeys);
    EXPECT_EQ(profile, factoryProfile());
}

TEST_F(TiltctlConfig, BadProfilesAndSettings_AreRefusedNamingTheKey_AndNothingIsSent) {
    TiltsimProcess sim({});
    ASSERT_FALSE(sim.path().empty());
    const auto profileWith = [](const char* key, const QJsonValue& value) {
        QJsonObject profile = factoryProfile();
        if (value.isUndefined()) {
            profile.remove(key);
        } else {
            profile[key] = value;
        }
        return QJsonDocument(profile).toJson().toStdString();
    };
    struct Case {
        const char* command;
        std::string file;  // the profile's text; empty for config set
        QStringList settings;
        std::string named;  // what the message must name
    };
    const std::vector<Case> cases = {
        {"write", "{\"OffsetX\": 323,", {}, "not JSON"},
        {"write", profileWith("GainY", QJsonValue::Undefined), {}, "\"GainY\" is missing"},
        {"write", profileWith("Colour", 1), {}, "\"Colour\" is no configuration parameter"},
        {"write", profileWith("MinBinAngle", 0), {}, "\"MinBinAngle\""},
        {"write", profileWith("Averages", 17), {}, "\"Averages\" is 17; it must be 0 to 16"},
        {"write", profileWith("LinearUpdateRate", 30), {}, "\"LinearUpdateRate\" is 30"},
        {"write", profileWith("TareY", "flat"), {}, "\"TareY\" is not a number"},
        // Inside its limits, but its word rounds to 65536: no byte pair can carry it.
        {"write", profileWith("TareY", -0.001), {}, "\"Y Tare\""},
        {"diff", "{\"Colour\": 1}", {}, "\"Colour\" is no configuration parameter"},
        {"diff", "[1, 2]", {}, "not one JSON object"},
        {"set", "", {"Colour=1"}, "\"Colour\" is no configuration parameter"},
        {"set", "", {"TareX=1", "OffsetX=abc"}, "\"OffsetX\": 'abc' is not a number"},
        {"set", "", {"OffsetX=1025"}, "\"OffsetX\" is 1025; it must be 0 to 1024"},
        {"set", "", {"TareX=-0.0001"}, "\"X Tare\""},
        {"set", "", {"TareX"}, "'TareX' is no KEY=VALUE"},
    };
    for (const Case& c : cases) {
        QStringList args = {"config", c.command};
        args << (c.file.empty() ? c.settings
                                : QStringList{QString::fromStdString(write("bad.json", c.file))});
        const auto refused = ctl(sim, args);
        EXPECT_EQ(refused.exitCode, 2) << c.named << ": " << refused.err;
        EXPECT_NE(refused.err.find(c.named), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find("othing was sent"), std::string::npos) << refused.err;
    }
    const auto missing = ctl(sim, {"config", "write", dir.filePath("none.json")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("none.json"), std::string::npos) << missing.err;
    EXPECT_EQ(receivedBytes(sim), 0) << "bytes reached the device";
}

TEST_F(TiltctlConfig, ConfigWrite_SendsEachCellOnItsTick_AndTheDeviceThenHoldsTheProfile) {
    TiltsimProcess sim({});
    ASSERT_FALSE(sim.path().empty());
    QJsonObject profile = factoryProfile();
    profile["OffsetX"] = 511.5;  // halves go to even: 512
    profile["TareX"] = 30;
    profile["LowAlarmY"] = -45;
    profile["UpdateTimeIncrement"] = 5;
    profile["LinearUpdateRate"] = 75;
    const QString file = QString::fromStdString(write("profile.json", profile));

    const auto written = ctl(sim, {"config", "write", file});
    EXPECT_EQ(written.exitCode, 0) << written.err;
    EXPECT_EQ(written.out, "Write completed!\n");
    EXPECT_TRUE(written.err.starts_with("Writing 3\nWriting 4\n")) << written.err;
    EXPECT_TRUE(written.err.ends_with("Writing 45\nWriting 46\n")) << written.err;
    const std::vector<CellWrite> cells = {{0, 2, 2},
                                          {1, 3, 0},
                                          {2, 4, 1},
                                          {3, 5, 152},
                                          {4, 6, 1},
                                          {5, 7, 66},
                                          {6, 8, 1},
                                          {7, 9, 67},
                                          {8, 10, 1},
                                          {9, 11, 68},
                                          {10, 12, 1},
                                          {11, 13, 66},
                                          {12, 14, 21},
                                          {13, 15, 85},
                                          {14, 16, 0},
                                          {15, 17, 0},
                                          {16, 18, 128},
                                          {17, 19, 1},
                                          {18, 20, 127},
                                          {19, 21, 255},
                                          {20, 22, 192},
                                          {21, 23, 0},
                                          {22, 24, 127},
                                          {23, 25, 255},
                                          // Ticks 24 to 27 (the bin angles) send nothing.
                                          {28, 30, 5},
                                          {29, 31, 1},
                                          {30, 32, 0},
                                          {31, 33, 1},
                                          {32, 34, 1},
                                          {33, 42, 1},
                                          {34, 43, 3},
                                          {35, 62, 2},
                                          {36, 63, 0},
                                          {37, 64, 2},
                                          {38, 65, 0},
                                          {39, 66, 2},
                                          {40, 67, 0},
                                          {41, 68, 2},
                                          {42, 69, 0},
                                          {43, 102, 75}};
    const auto log = receivedLog(sim);
    expectWrites(log, 0, cells);

    const auto read = ctl(sim, {"config", "read", "--json"});
    ASSERT_EQ(read.exitCode, 0) << read.err;
    const QJsonObject device = jsonObject(read.out);
    EXPECT_EQ(device["OffsetX"].toDouble(), 512);
    EXPECT_DOUBLE_EQ(device["TareX"].toDouble(), kThirtyReadBack);
    // -16383.5 counts, as the word 49152.5, rounds to the even 49152: -16384 counts.
    EXPECT_DOUBLE_EQ(device["LowAlarmY"].toDouble(), -16384.0 / 32767.0 * 90.0);
    EXPECT_EQ(device["UpdateTimeIncrement"].toDouble(), 5);
    EXPECT_EQ(device["LinearUpdateRate"].toDouble(), 75);
    // 30 and its read-back are the same bytes, as are 511.5 and 512.
    const auto diff = ctl(sim, {"config", "diff", file});
    EXPECT_EQ(diff.exitCode, 0) << diff.out << diff.err;
}

TEST_F(TiltctlConfig, ConfigWrite_CtrlC_StopsBetweenCellsAndSaysWhatWasWritten) {
    TiltsimProcess sim({});
    ASSERT_FALSE(sim.path().empty());
    const QString file = QString::fromStdString(write("profile.json", factoryProfile()));
    QProcess ctl;
    ctl.start(TILTCTL_PATH,
              {"--port", QString::fromStdString(sim.path()), "config", "write", file});
    const auto giveUp = Clock::now() + std::chrono::seconds(10);
    while (receivedBytes(sim) < 6 && Clock::now() < giveUp) {
    }
    ::kill(static_cast<pid_t>(ctl.processId()), SIGINT);
    ASSERT_TRUE(ctl.waitForFinished(2000));
    EXPECT_EQ(ctl.exitCode(), 130);
    const std::string err = ctl.readAllStandardError().toStdString();
    EXPECT_NE(err.find("The write was halted by user after"), std::string::npos) << err;
    EXPECT_NE(err.find("Written: X Offset"), std::string::npos) << "what reached the logger\n"
                                                                << err;
    EXPECT_NE(err.find("Not written: "), std::string::npos) << err;
    EXPECT_NE(err.find("To complete it, run it again."), std::string::npos) << err;
    const auto log = receivedLog(sim);
    ASSERT_GE(log.size(), 6u);
    EXPECT_LT(log.size(), 120u) << "the write was not stopped";
    ASSERT_EQ(log.size() % 3, 0u) << "a write was cut in the middle";
    for (std::size_t i = 0; i < log.size(); i += 3) {
        EXPECT_EQ(log[i].value, kP);
        EXPECT_EQ(log[i + 1].value, static_cast<int>(i / 3 + 2));
    }
}

TEST_F(TiltctlConfig, ConfigSet_WritesOnlyTheChangedCellsAndReadsThemBack_DiffShowsTheChange) {
    TiltsimProcess sim({});
    ASSERT_FALSE(sim.path().empty());
    const auto saved = ctl(sim, {"config", "read", "--json"});
    ASSERT_EQ(saved.exitCode, 0) << saved.err;
    const QString savedFile = QString::fromStdString(write("saved.json", saved.out));
    const auto same = ctl(sim, {"config", "diff", savedFile});
    EXPECT_EQ(same.exitCode, 0) << same.out << same.err;
    EXPECT_EQ(same.out, "No differences: the device holds the profile's values.\n");

    const std::size_t before = receivedLog(sim).size();
    const auto set = ctl(sim, {"config", "set", "TareX=30", "OffsetX=323"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "Write completed!\nRead back: the device holds the new values.\n");
    const auto log = receivedLog(sim);
    ASSERT_EQ(log.size(), before + 106 + 6 + 4);
    expectReads(log, before, tilt::testing::configReadCells());
    expectWrites({log.begin(), log.end() - 4}, before + 106, {{0, 14, 21}, {1, 15, 85}});
    EXPECT_GE(log[before + 106].at - log[before + 105].at, 0.5 - kTickSlack);
    expectReads(log, log.size() - 4, {14, 15});

    const auto changed = ctl(sim, {"config", "diff", savedFile});
    EXPECT_EQ(changed.exitCode, 1) << changed.err;
    EXPECT_EQ(changed.out, "TareX: profile 0, device 29.9990844447157\n");

    const auto again = ctl(sim, {"config", "set", "TareX=30"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, "The device holds these values already; nothing was written.\n");
    // The diff's read and this one's.
    EXPECT_EQ(receivedLog(sim).size(), log.size() + 2 * 106) << "more than the read was sent";
}

TEST_F(TiltctlConfig, SilentDevice_EndsTheDiffAfterFiveSecondsSayingNothingWasCompared) {
    TiltsimProcess sim({});
    ASSERT_FALSE(sim.path().empty());
    const QString file = QString::fromStdString(write("profile.json", factoryProfile()));
    ::kill(static_cast<pid_t>(sim.process().processId()), SIGSTOP);
    const auto start = Clock::now();
    const auto diff = ctl(sim, {"config", "diff", file});
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ::kill(static_cast<pid_t>(sim.process().processId()), SIGCONT);
    EXPECT_EQ(diff.exitCode, 1);
    EXPECT_EQ(diff.out, "");
    EXPECT_NE(diff.err.find("The device did not answer for 5 seconds"), std::string::npos)
        << diff.err;
    EXPECT_NE(diff.err.find("Nothing was compared"), std::string::npos) << diff.err;
    EXPECT_GE(seconds, 5.0);
    EXPECT_LT(seconds, 7.5);
}

TEST_F(TiltctlConfig, EepromDump_PrintsAll256CellsReadAtTheLinesPace) {
    TiltsimProcess sim({});
    ASSERT_FALSE(sim.path().empty());
    const auto plain = ctl(sim, {"eeprom", "dump"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    std::istringstream lines(plain.out);
    std::vector<int> cells;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        int address = -1;
        char colon = 0;
        fields >> address >> colon;
        EXPECT_EQ(address, static_cast<int>(cells.size())) << line;
        EXPECT_EQ(colon, ':') << line;
        for (int value = 0; fields >> value;) {
            cells.push_back(value);
        }
    }
    ASSERT_EQ(cells.size(), 256u);
    EXPECT_EQ((std::vector<int>(cells.begin() + 2, cells.begin() + 4)), (std::vector<int>{1, 67}));
    EXPECT_EQ(cells[30], 3);
    EXPECT_EQ(cells[102], 15);
    EXPECT_EQ(cells[109], 11);

    const auto json = ctl(sim, {"eeprom", "dump", "--json"});
    ASSERT_EQ(json.exitCode, 0) << json.err;
    const QJsonArray array = jsonObject(json.out)["cells"].toArray();
    std::vector<int> jsonCells;
    for (const auto& value : array) {
        jsonCells.push_back(value.toInt());
    }
    EXPECT_EQ(jsonCells, cells);

    std::vector<int> all(256);
    std::iota(all.begin(), all.end(), 0);
    const auto log = receivedLog(sim);
    ASSERT_EQ(log.size(), 2 * 2 * all.size());
    expectReads(log, 0, all);
    expectReads(log, 2 * all.size(), all);
}

TEST_F(TiltctlConfig, Calibrate_SwitchesTheShakerOffSamplesForNSecondsAndWritesOffsetsAndGains) {
    TiltsimProcess sim({});
    ASSERT_FALSE(sim.path().empty());
    const auto calibrated = ctl(sim, {"calibrate", "--seconds", "2", "--json", "--write"});
    ASSERT_EQ(calibrated.exitCode, 0) << calibrated.err;
    EXPECT_TRUE(calibrated.err.ends_with("Writing 13\nWriting Progress\nWrite completed!\n"))
        << calibrated.err;
    const QJsonObject axes = jsonObject(calibrated.out);
    ASSERT_EQ(axes.keys(), (QStringList{"X", "Y", "Z"}));
    std::vector<CellWrite> expected;
    std::vector<int> words;
    for (const char* field : {"offset", "gain"}) {
        for (const char* axis : {"X", "Y", "Z"}) {
            const QJsonObject a = axes[axis].toObject();
            ASSERT_EQ(a.keys(), (QStringList{"gain", "max", "min", "offset"})) << axis;
            const double min = a["min"].toDouble();
            const double max = a["max"].toDouble();
            EXPECT_LE(0, min) << axis;
            EXPECT_LE(min, max) << axis;
            EXPECT_LE(max, 1023) << axis;
            EXPECT_EQ(a["offset"].toDouble(), (min + max) / 2) << axis;
            EXPECT_EQ(a["gain"].toDouble(), (max - min) / 2) << axis;
            words.push_back(static_cast<int>(std::nearbyint(a[field].toDouble())));  // to even
        }
    }
    for (std::size_t i = 0; i < words.size(); ++i) {
        const int tick = static_cast<int>(2 * i);
        expected.push_back({tick, tick + 2, words[i] / 256});
        expected.push_back({tick + 1, tick + 3, words[i] % 256});
    }

    const auto log = receivedLog(sim);
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ((std::vector<int>{log[0].value, log[1].value, log[2].value}),
              (std::vector<int>{kP, 32, 0}));
    std::size_t lastPoll = 3;
    while (lastPoll + 1 < log.size() && log[lastPoll + 1].value == kA) {
        ++lastPoll;
    }
    EXPECT_EQ(log[3].value, kA);
    EXPECT_GE(log[3].at - log[2].at, 0.99) << "no pause after the shaker write";
    EXPECT_NEAR(log[lastPoll].at - log[3].at, 2.0, 0.3);
    expectWrites(log, lastPoll + 1, expected);
}

}  // namespace
