// tiltctl's configuration commands against a tiltsim, in real time: what they print, their exit
// codes, and that a refused one sends nothing. The cells, bytes and pauses of each read and write
// are the tests of src/config's, in virtual time. A full write takes 22 s, so it is done once;
// the other changes go through config set.

#include <QJsonArray>

#include "tiltsim_process.h"

namespace {

constexpr int kP = 'p';
constexpr int kR = 'r';

// The factory configuration of a tiltsim, which is also the Show Defaults profile.
QJsonObject factoryProfile() {
    return jsonObject(R"({
        "OffsetX": 323, "OffsetY": 408, "OffsetZ": 322, "GainX": 323, "GainY": 324, "GainZ": 322,
        "TareX": 0, "TareY": 0, "LowAlarmX": -180, "HighAlarmX": 180, "LowAlarmY": -90,
        "HighAlarmY": 90, "UpdateTimeIncrement": 3, "Averages": 1, "ShakerEnable": 0,
        "FilterLevel": 1, "TareEnable": 1, "BinLinearMode": 1, "LinearChannel": 3,
        "DacSetting1": 512, "DacSetting2": 512, "DacSetting3": 512, "DacSetting4": 512,
        "LinearUpdateRate": 15})");
}

class TiltctlConfig : public ProgramTest {
  protected:
    std::string write(const char* name, const std::string& text) const {
        const std::string file = dir.filePath(name).toStdString();
        std::ofstream(file, std::ios::binary) << text;
        return file;
    }
    std::string write(const char* name, const QJsonObject& object) const {
        return write(name, QJsonDocument(object).toJson().toStdString());
    }
};

TEST_F(TiltctlConfig, ConfigRead_FactoryDevice_PrintsEveryParameterAndTheJsonKeys) {
    TiltsimProcess sim({});
    const auto json = runTiltctlOk(sim, {"config", "read", "--json"});
    const QJsonObject read = jsonObject(json.out);
    QJsonObject expected = factoryProfile();
    const int serial = read["SerialNumber"].toInt();
    EXPECT_GE(serial, 1000);
    expected["SerialNumber"] = serial;
    const QJsonObject launch = jsonObject(R"({"LaunchDay": 2, "LaunchMonth": 11,
        "LaunchYear": 2026, "LaunchHour": 8, "LaunchMinute": 30, "LaunchSecond": 0})");
    for (auto at = launch.begin(); at != launch.end(); ++at) {
        expected[at.key()] = at.value();
    }
    EXPECT_EQ(read, expected);

    const auto plain = runTiltctlOk(sim, {"config", "read"});
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
}

TEST_F(TiltctlConfig, ConfigDefaults_IsTheShowDefaultsProfileOfExactlyTheProfileKeys) {
    const auto defaults = runTiltctl({"config", "defaults"});
    EXPECT_EQ(defaults.exitCode, 0) << defaults.err;
    EXPECT_EQ(jsonObject(defaults.out), factoryProfile()) << "exactly the profile keys";
}

TEST_F(TiltctlConfig, BadProfilesAndSettings_AreRefusedNamingTheKey_AndNothingIsSent) {
    TiltsimProcess sim({});
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
    // One case for each way in; what the profile check finds is src/config's to test.
    const std::vector<Case> cases = {
        {"write", "{\"OffsetX\": 323,", {}, "not JSON"},
        // Inside its limits, but its word rounds to 65536: no byte pair can carry it.
        {"write", profileWith("TareY", -0.001), {}, "\"Y Tare\""},
        {"diff", "{\"Colour\": 1}", {}, "\"Colour\" is no configuration parameter"},
        {"set", "", {"TareX=1", "OffsetX=abc"}, "\"OffsetX\": 'abc' is not a number"},
        {"set", "", {"TareX"}, "'TareX' is no KEY=VALUE"},
    };
    for (const Case& c : cases) {
        QStringList args = {"config", c.command};
        args << (c.file.empty() ? c.settings
                                : QStringList{QString::fromStdString(write("bad.json", c.file))});
        const auto refused = runTiltctlOn(sim, args);
        EXPECT_EQ(refused.exitCode, 2) << c.named << ": " << refused.err;
        EXPECT_THAT(refused.err, HasSubstr(c.named));
        EXPECT_THAT(refused.err, HasSubstr("othing was sent"));
    }
    const auto missing = runTiltctlOn(sim, {"config", "write", dir.filePath("none.json")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.err, HasSubstr("none.json"));
    EXPECT_EQ(receivedBytes(sim), 0) << "bytes reached the device";
}

TEST_F(TiltctlConfig, ConfigWrite_TellsEachStep_AndTheDeviceThenHoldsTheProfile) {
    TiltsimProcess sim({});
    QJsonObject profile = factoryProfile();
    profile["OffsetX"] = 511.5;  // halves go to even: 512
    profile["TareX"] = 30;
    profile["LowAlarmY"] = -45;
    profile["UpdateTimeIncrement"] = 5;
    profile["LinearUpdateRate"] = 75;
    const QString file = QString::fromStdString(write("profile.json", profile));

    const auto written = runTiltctlOk(sim, {"config", "write", file});
    EXPECT_EQ(written.out, "Write completed!\n");
    EXPECT_TRUE(written.err.starts_with("Writing 3\nWriting 4\n")) << written.err;
    EXPECT_TRUE(written.err.ends_with("Writing 45\nWriting 46\n")) << written.err;
    // The device now holds the profile's bytes (how each value rounds into them, and what a read
    // then gives, is src/config's to test): 30 and its read-back are the same bytes.
    const auto diff = runTiltctlOk(sim, {"config", "diff", file});
}

TEST_F(TiltctlConfig, ConfigWrite_CtrlC_StopsBetweenCellsAndSaysWhatWasWritten) {
    TiltsimProcess sim({});
    const QString file = QString::fromStdString(write("profile.json", factoryProfile()));
    QProcess ctl;
    useTestDataRoot(ctl);
    ctl.start(TILTCTL_PATH, onPort(sim, {"config", "write", file}));
    const auto giveUp = Clock::now() + std::chrono::seconds(10);
    while (receivedBytes(sim) < 6 && Clock::now() < giveUp) {
    }
    interrupt(ctl);
    ASSERT_TRUE(ctl.waitForFinished(2000));
    EXPECT_EQ(ctl.exitCode(), 130);
    const std::string err = ctl.readAllStandardError().toStdString();
    EXPECT_THAT(err, HasSubstr("The write was halted by user after"));
    EXPECT_THAT(err, HasSubstr("Written: X Offset")) << "what reached the logger\n";
    EXPECT_THAT(err, HasSubstr("Not written: "));
    EXPECT_THAT(err, HasSubstr("To complete it, run it again."));
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
    const auto saved = runTiltctlOk(sim, {"config", "read", "--json"});
    const QString savedFile = QString::fromStdString(write("saved.json", saved.out));
    const auto same = runTiltctlOk(sim, {"config", "diff", savedFile});
    EXPECT_EQ(same.out, "No differences: the device holds the profile's values.\n");

    const std::size_t before = receivedLog(sim).size();
    const auto set = runTiltctlOk(sim, {"config", "set", "TareX=30", "OffsetX=323"});
    EXPECT_EQ(set.out, "Write completed!\nRead back: the device holds the new values.\n");
    // The read, the two cells of TareX, and those two read back. (A busy test machine may make
    // the read ask a cell again; what is written is exact.)
    const auto log = receivedLog(sim);
    ASSERT_GE(log.size(), before + 106 + 6 + 4);
    EXPECT_EQ(valuesOf(log, log.size() - 10),
              (std::vector<int>{kP, 14, 21, kP, 15, 85, kR, 14, kR, 15}));
    EXPECT_EQ(std::count_if(log.begin() + static_cast<std::ptrdiff_t>(before), log.end(),
                            [](const auto& r) { return r.value == kP; }),
              2)
        << "only TareX's two cells are written";

    const auto changed = runTiltctlOn(sim, {"config", "diff", savedFile});
    EXPECT_EQ(changed.exitCode, 1) << changed.err;
    EXPECT_EQ(changed.out, "TareX: profile 0, device 29.9990844447157\n");

    const auto again = runTiltctlOk(sim, {"config", "set", "TareX=30"});
    EXPECT_EQ(again.out, "The device holds these values already; nothing was written.\n");
    // The diff's read and this one's, and no write.
    const auto after = receivedLog(sim);
    EXPECT_GE(after.size(), log.size() + 2 * 106);
    EXPECT_EQ(std::count_if(after.begin() + static_cast<std::ptrdiff_t>(log.size()), after.end(),
                            [](const auto& r) { return r.value == kP; }),
              0)
        << "something was written";
}

TEST_F(TiltctlConfig, SilentDevice_EndsTheDiffAfterFiveSecondsSayingNothingWasCompared) {
    TiltsimProcess sim({});
    const QString file = QString::fromStdString(write("profile.json", factoryProfile()));
    sim.sendSignal(SIGSTOP);
    const auto start = Clock::now();
    const auto diff = runTiltctlOn(sim, {"config", "diff", file});
    const double seconds = secondsSince(start);
    sim.sendSignal(SIGCONT);
    EXPECT_EQ(diff.exitCode, 1);
    EXPECT_EQ(diff.out, "");
    EXPECT_THAT(diff.err, HasSubstr("The device did not answer for 5 seconds"));
    EXPECT_THAT(diff.err, HasSubstr("Nothing was compared"));
    EXPECT_GE(seconds, 5.0);
    EXPECT_LT(seconds, 7.5);
}

TEST_F(TiltctlConfig, EepromDump_PrintsAll256Cells_AsTextOrJson) {
    TiltsimProcess sim({});
    const auto plain = runTiltctlOk(sim, {"eeprom", "dump"});
    std::vector<int> cells;
    for (const std::string& line : linesOf(plain.out)) {
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
    // Cells read one after another in a single loop: one early and one late known value tell a
    // shift or a reversal.
    EXPECT_EQ(cells[30], 3);
    EXPECT_EQ(cells[109], 11);

    const auto json = runTiltctlOk(sim, {"eeprom", "dump", "--json"});
    const QJsonArray array = jsonObject(json.out)["cells"].toArray();
    std::vector<int> jsonCells;
    for (const auto& value : array) {
        jsonCells.push_back(value.toInt());
    }
    EXPECT_EQ(jsonCells, cells);
}

// The shaker write, the polls and their spacing, and the ticks of the write are src/config's to
// test; here, that --seconds holds and that what is written is what was printed.
TEST_F(TiltctlConfig, Calibrate_SamplesForNSecondsAndWritesTheOffsetsAndGainsItPrints) {
    TiltsimProcess sim({});
    const auto calibrated = runTiltctlOk(sim, {"calibrate", "--seconds", "2", "--json", "--write"});
    EXPECT_TRUE(calibrated.err.ends_with("Writing 13\nWriting Progress\nWrite completed!\n"))
        << calibrated.err;
    const QJsonObject axes = jsonObject(calibrated.out);
    ASSERT_EQ(axes.keys(), (QStringList{"X", "Y", "Z"}));
    std::vector<int> written;
    int cell = 2;
    for (const char* field : {"offset", "gain"}) {
        for (const char* axis : {"X", "Y", "Z"}) {
            const QJsonObject a = axes[axis].toObject();
            ASSERT_EQ(a.keys(), (QStringList{"gain", "max", "min", "offset"})) << axis;
            const int word = static_cast<int>(std::nearbyint(a[field].toDouble()));  // to even
            written.insert(written.end(), {kP, cell, word / 256, kP, cell + 1, word % 256});
            cell += 2;
        }
    }
    const auto log = receivedLog(sim);
    std::size_t polls = 3;  // after the shaker's 'p', 32, 0
    while (polls < log.size() && log[polls].value == 'a') {
        ++polls;
    }
    ASSERT_GT(polls, 4u);
    EXPECT_NEAR(log[polls - 1].at - log[3].at, 2.0, 0.3);
    // Then the serial number's cells, for the recordings library.
    written.insert(written.end(), {'r', 100, 'r', 101});
    EXPECT_EQ(valuesOf(log, polls), written);
}

}  // namespace
