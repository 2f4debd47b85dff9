// tiltctl's live readings, tare, untare and DAC writes against a tiltsim, in real time, asserting
// on what tiltctl prints and on the bytes the device received (the pauses between them, and what
// the loop does with bad replies, are src/live's to test in virtual time). tiltsim --attitude holds
// the logger still, so the readings are known.

#include <set>

#include "tiltsim_process.h"

namespace {

constexpr int kP = 'p';
constexpr int kAngles = 'A';
// The logger held at X 30, Y -20 degrees: its words as received.
constexpr int kWordX = 5461;          // 30 * 32767 / 180, rounded
constexpr int kWordY = 65536 - 7282;  // -20 * 32767 / 90, rounded, two's complement

// Every line one JSON object with exactly `keys`; a half line fails.
std::vector<QJsonObject> jsonLines(const std::string& text, const std::set<QString>& keys) {
    std::vector<QJsonObject> objects;
    EXPECT_TRUE(text.empty() || text.ends_with('\n')) << "a half line at the end";
    for (const std::string& line : linesOf(text)) {
        QJsonParseError error{};
        const auto doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        EXPECT_TRUE(doc.isObject()) << line << ": " << error.errorString().toStdString();
        const QJsonObject object = doc.object();
        const QStringList found = object.keys();
        EXPECT_EQ(std::set<QString>(found.begin(), found.end()), keys) << line;
        objects.push_back(object);
    }
    return objects;
}

const std::set<QString> kAngleKeys = {"time", "AngleX", "AngleY", "RawAngleX", "RawAngleY"};
const std::set<QString> kAccelerationKeys = {"time", "AccX", "AccY", "AccZ"};

// The counts of the logger held at 30, -20 with the simulator's factory calibration (offsets
// 323, 408, 322; gains 323, 324, 322): offset + gain * g, give or take its one count of noise.
constexpr double kHeldCounts[3] = {212.53, 255.77, 584.04};
constexpr double kCountSlack = 1.5;

using TiltctlLive = ProgramTest;

// Each reading of the held logger as a JSON line with the documented keys, or as text in the
// documented order.
TEST_F(TiltctlLive, Readings_OfTheHeldLogger_PrintAsJsonLinesOrText) {
    TiltsimProcess sim({"--attitude", "30,-20"});
    const auto expectHeldCounts = [](double x, double y, double z) {
        EXPECT_NEAR(x, kHeldCounts[0], kCountSlack);
        EXPECT_NEAR(y, kHeldCounts[1], kCountSlack);
        EXPECT_NEAR(z, kHeldCounts[2], kCountSlack);
    };
    const auto angles = runTiltctlOk(sim, {"live", "angles", "--count", "20", "--json"});
    const auto readings = jsonLines(angles.out, kAngleKeys);
    ASSERT_EQ(readings.size(), 20u);
    double before = 0;
    for (const QJsonObject& r : readings) {
        EXPECT_NEAR(r["AngleX"].toDouble(), 30.0, 0.05);
        EXPECT_NEAR(r["AngleY"].toDouble(), -20.0, 0.05);
        EXPECT_EQ(r["RawAngleX"].toInt(-1), kWordX);
        EXPECT_EQ(r["RawAngleY"].toInt(-1), kWordY);
        EXPECT_GE(r["time"].toDouble(), before);
        before = r["time"].toDouble();
    }
    EXPECT_LT(before, 1.0);
    // At the end, on stderr: how many readings came, at what pace, and how many were asked again.
    const auto summary = jsonLines(linesOf(angles.err).back() + "\n",
                                   {"readings", "seconds", "readingsPerSecond", "askedAgain"});
    ASSERT_EQ(summary.size(), 1u);
    EXPECT_EQ(summary[0]["readings"].toInt(), 20);
    EXPECT_GT(summary[0]["readingsPerSecond"].toDouble(), 20);
    EXPECT_EQ(summary[0]["askedAgain"].toInt(-1), 0);
    const auto acc = runTiltctlOk(sim, {"live", "acc", "--count", "15", "--json"});
    const auto counts = jsonLines(acc.out, kAccelerationKeys);
    ASSERT_EQ(counts.size(), 15u);
    for (const QJsonObject& r : counts) {
        expectHeldCounts(r["AccX"].toDouble(), r["AccY"].toDouble(), r["AccZ"].toDouble());
    }

    const auto angleText = runTiltctlOk(sim, {"live", "angles", "--count", "3"});
    const auto angleLines = linesOf(angleText.out);
    ASSERT_EQ(angleLines.size(), 3u);
    for (const std::string& line : angleLines) {
        EXPECT_TRUE(line.ends_with(" 30.0 -20.0 5461 58254")) << line;
    }
    const auto accText = runTiltctlOk(sim, {"live", "acc", "--count", "3"});
    const auto accLines = linesOf(accText.out);
    ASSERT_EQ(accLines.size(), 3u);
    for (const std::string& line : accLines) {
        std::istringstream fields(line);
        double time = -1;
        double x = 0, y = 0, z = 0;
        ASSERT_TRUE(fields >> time >> x >> y >> z) << line;
        expectHeldCounts(x, y, z);
    }
}

// 'p', cell, high byte, 'p', cell + 1, low byte, from `from` on.
void expectWordWrite(const std::vector<Received>& log, std::size_t from, int cell, int word) {
    EXPECT_EQ(valuesOf(log, from),
              (std::vector<int>{kP, cell, word / 256, kP, cell + 1, word % 256}));
}

TEST_F(TiltctlLive, TareAndUntare_WriteTheFreshWordOrNoughtsAndPrintTheTare) {
    TiltsimProcess sim({"--attitude", "30,-20"});

    const auto tareX = runTiltctlOk(sim, {"tare", "x"});
    EXPECT_EQ(tareX.out, "TareX: 30.0\n");
    auto log = receivedLog(sim);
    ASSERT_GE(log.size(), 1u);
    EXPECT_EQ(log[0].value, kAngles);  // the fresh reading, once
    expectWordWrite(log, 1, 14, kWordX);

    const std::size_t beforeY = receivedLog(sim).size();
    const auto tareY = runTiltctlOk(sim, {"tare", "Y"});
    EXPECT_EQ(tareY.out, "TareY: -20.0\n");
    log = receivedLog(sim);
    ASSERT_GT(log.size(), beforeY);
    EXPECT_EQ(log[beforeY].value, kAngles);
    expectWordWrite(log, beforeY + 1, 16, kWordY);

    const std::size_t beforeUntare = log.size();
    const auto untare = runTiltctlOk(sim, {"untare", "y"});
    EXPECT_EQ(untare.out, "TareY: 0.0\n");
    expectWordWrite(receivedLog(sim), beforeUntare, 16, 0);  // no reading needed
}

TEST_F(TiltctlLive, Dac_WritesHighThenLow_AndSaysWhichCells) {
    TiltsimProcess sim({});
    const auto run = runTiltctlOk(sim, {"dac", "1", "1000"});
    EXPECT_EQ(run.out, "Wrote 1000 to DAC1 (EEPROM addresses 62 and 63).\n");

    runTiltctlOk(sim, {"dac", "3", "65535"});
    expectWordWrite(receivedLog(sim), 6, 66, 65535);
}

TEST_F(TiltctlLive, BadArguments_AreRefusedWithNothingSent) {
    TiltsimProcess sim({});
    const QStringList refused[] = {
        {"dac", "1", "70000"},
        {"dac", "1", "-1"},
        {"dac", "1", "1e3"},
        {"dac", "4", "5"},
        {"dac", "0", "5"},
        {"dac", "1"},
        {"tare", "z"},
        {"tare", "x", "y"},
        {"live", "angles", "--count", "0"},
        {"live", "angles", "--count"},
        {"live", "acc", "--seconds", "-1"},
        {"live", "acc", "--seconds", "soon"},
        {"live", "angles", "--csv"},
    };
    for (const QStringList& args : refused) {
        SCOPED_TRACE(args.join(' ').toStdString());
        const auto run = runTiltctlOn(sim, args);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_FALSE(run.err.empty());
        EXPECT_EQ(run.out, "");
    }
    EXPECT_TRUE(receivedLog(sim).empty());
}

TEST_F(TiltctlLive, Seconds_EndsTheSamplingOnTime_WhicheverLimitComesFirst) {
    TiltsimProcess sim({});
    struct Case {
        QStringList limits;
        double seconds;  // the time the last reading may have at most
        long readings;   // exactly, when the count ends it; 0 when the time does
    };
    const Case cases[] = {
        {{"--seconds", "1.5"}, 1.5, 0},
        {{"--seconds", "1", "--count", "100000"}, 1.0, 0},
        {{"--count", "5", "--seconds", "30"}, 1.0, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limits.join(' ').toStdString());
        const auto start = Clock::now();
        const auto run = runTiltctlOn(sim, QStringList{"live", "angles", "--json"} + c.limits);
        const double took = secondsSince(start);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const auto readings = jsonLines(run.out, kAngleKeys);
        ASSERT_FALSE(readings.empty());
        EXPECT_LE(readings.back()["time"].toDouble(), c.seconds);
        EXPECT_LT(took, c.seconds + 2.0);  // starting tiltctl and opening the port included
        if (c.readings > 0) {
            EXPECT_EQ(static_cast<long>(readings.size()), c.readings);
        } else {
            EXPECT_GE(readings.back()["time"].toDouble(), c.seconds - 0.2);
        }
    }
}

TEST_F(TiltctlLive, CtrlC_EndsTheSamplingWithWholeLinesAndFreesThePort) {
    TiltsimProcess sim({"--attitude", "30,-20"});
    QProcess live;
    useTestDataRoot(live);
    live.start(TILTCTL_PATH, onPort(sim, {"live", "angles", "--json"}));
    ASSERT_TRUE(live.waitForStarted(5000));
    // Lines reach a pipe at least every 100 ms: wait for a few batches.
    std::string out;
    const auto giveUp = Clock::now() + std::chrono::seconds(10);
    while (linesOf(out).size() < 50 && Clock::now() < giveUp) {
        live.waitForReadyRead(100);
        out += live.readAllStandardOutput().toStdString();
    }
    interrupt(live);
    ASSERT_TRUE(live.waitForFinished(5000));
    EXPECT_EQ(live.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(live.exitCode(), 130);
    out += live.readAllStandardOutput().toStdString();
    const auto readings = jsonLines(out, kAngleKeys);
    EXPECT_GE(readings.size(), 50u);
    EXPECT_THAT(live.readAllStandardError().toStdString(), HasSubstr("halted by user"));

    runTiltctlOk(sim, {"live", "angles", "--count", "1"});
}

// How the loop asks again after a short reply is src/live's to test; here, how tiltctl ends.
TEST_F(TiltctlLive, RepliesAlwaysShort_EndAsNoReading) {
    TiltsimProcess sim({"--faults", "short=1"});
    const auto run = runTiltctlOn(sim, {"live", "angles", "--seconds", "1"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(run.err, HasSubstr("The device sent no reading"));
}

}  // namespace
