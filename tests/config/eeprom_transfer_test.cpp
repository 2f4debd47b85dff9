// The configuration's conversations with the logger, in virtual time: the read at the line's
// pace, the ticked write, and the calibration's sampling and write.
#include "config/eeprom_transfer.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "config/calibration.h"
#include "device/device_memory.h"
#include "support/config_read_cells.h"
#include "support/recording_errors.h"
#include "support/sim_bench.h"

namespace tilt::config {
namespace {

// The shaker's cell, which a calibration switches off first.
constexpr int kShakerEnableCell = 32;

using testing::SimBench;

TEST(ConfigurationRead, AsksEachCellOnceAtTheLinesPace) {
    SimBench bench;
    testing::RecordingErrors errors;
    std::vector<int> done;
    const auto start = bench.clock.now();
    const auto read = readConfiguration(bench.job(errors, "Configuration"), {},
                                        [&](const CellReadProgress& p) { done.push_back(p.done); });
    ASSERT_EQ(read.end, TransferEnd::Completed);
    const auto rx = bench.received();
    const auto cells = testing::configReadCells();
    ASSERT_EQ(rx.size(), 2 * cells.size());
    for (std::size_t step = 0; step < cells.size(); ++step) {
        const std::size_t i = 2 * step;
        EXPECT_EQ(rx[i].value, 'r');
        EXPECT_EQ(rx[i + 1].value, cells[step]) << step;
        EXPECT_NEAR(rx[i + 1].ms - rx[i].ms, 12, 0.6) << step;
        if (i > 0) {
            // The next request follows the one-byte reply at once: no pause of our own.
            EXPECT_LT(rx[i].ms - rx[i - 1].ms, 12.0 + 2.5) << step;
        }
    }
    const double seconds = bench.msSince(start) / 1000;
    EXPECT_LT(seconds, kReadSteps * (0.012 + 3 * 10 / 19200.0) * 1.05);
    EXPECT_EQ(done.back(), kReadSteps);
    EXPECT_EQ(std::count(done.begin(), done.end(), kReadSteps), 1);

    EXPECT_EQ(decodeConfiguration(read.bytes).record.offsetY, 408);
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_TRUE(errors.reports.empty());
}

// Lost, extra and short replies, and a stray byte after every reply: the values of a clean line,
// and not much later: at 5 % of each fault, some eight of them a read, each asked again at the
// logger's own pace.
TEST(ConfigurationRead, BadLinesGiveTheValuesOfACleanOne_AtNearlyItsPace) {
    SimBench clean;
    testing::RecordingErrors errors;
    auto start = clean.clock.now();
    const auto expected = readConfiguration(clean.job(errors, "Configuration"), {}, {}).bytes;
    const double cleanMs = clean.msSince(start);
    std::vector<device::SimOptions> lines;
    for (const std::uint64_t seed : {1, 2, 3, 4}) {
        device::SimOptions bad;
        bad.seed = seed;
        bad.faults.lose = bad.faults.extra = bad.faults.shortReply = 0.05;
        bad.faults.garble = 0;
        lines.push_back(bad);
    }
    lines.emplace_back().faults.extra = 1.0;  // a stray byte follows every reply byte
    for (std::size_t i = 0; i < lines.size(); ++i) {
        SimBench bench(lines[i]);
        // The same factory configuration: the serial number comes from the seed.
        bench.memory().eeprom = clean.memory().eeprom;
        start = bench.clock.now();
        const auto read = readConfiguration(bench.job(errors, "Configuration"), {}, {});
        EXPECT_EQ(read.end, TransferEnd::Completed) << i;
        EXPECT_TRUE(read.bytes == expected) << "line " << i;
        EXPECT_LT(bench.msSince(start), 2 * cleanMs) << "line " << i;  // a second a fault, once
    }
    EXPECT_TRUE(errors.reports.empty());
}

TEST(ConfigurationRead, SilentLogger_IsRealignedAndAskedAgain_UntilStoppedOrGivenUp) {
    device::SimOptions options;
    options.faults.silenceEvery = link::ms(200);  // quiet for good from 0.2 s on
    options.faults.silenceLength = link::ms(600000);
    SimBench bench(options);
    testing::RecordingErrors errors;
    CellReadOptions limited;
    limited.giveUpAfterSilence = link::ms(5000);
    int waits = 0;
    int lastDone = 0;
    const auto read = readConfiguration(bench.job(errors, "Configuration"), limited,
                                        [&](const CellReadProgress& p) {
                                            waits += p.waiting ? 1 : 0;
                                            lastDone = p.done;
                                        });
    EXPECT_EQ(read.end, TransferEnd::DeviceSilent);
    EXPECT_GE(waits, 4);
    EXPECT_GT(lastDone, 5);
    EXPECT_LT(lastDone, kReadSteps);
    // Every second the same cell again, after a probe: had the address byte been lost, the
    // probe completes the read the device waits in, and no address is ever taken for a command.
    const auto rx = bench.receivedBytes();
    const auto silent = 2 * static_cast<std::size_t>(lastDone);
    ASSERT_GE(rx.size(), silent + 2 + 3 * 3U);
    EXPECT_EQ(rx[silent], 'r');
    for (std::size_t i = silent + 2; i + 2 < rx.size(); i += 3) {
        EXPECT_EQ(rx[i], 'f');
        EXPECT_EQ(rx[i + 1], 'r');
        EXPECT_EQ(rx[i + 2], rx[silent + 1]);
    }

    SimBench stopped(options);
    std::stop_source& stop = stopped.stoppable();
    const auto halted =
        readConfiguration(stopped.job(errors, "Configuration"), {}, [&](const CellReadProgress& p) {
            if (p.waiting) {
                stop.request_stop();
            }
        });
    EXPECT_EQ(halted.end, TransferEnd::Stopped);
    EXPECT_FALSE(stopped.link.isOpen());
    EXPECT_TRUE(errors.reports.empty());
}

TEST(ConfigurationRead, NoReplyEver_IsGivenUp) {
    testing::RecordingErrors errors;
    device::SimOptions mute;
    mute.faults.shortReply = 1.0;  // every reply is cut to nothing
    SimBench silent(mute);
    CellReadOptions limited;
    limited.giveUpAfterSilence = link::ms(3000);
    const auto start = silent.clock.now();
    const auto none = readConfiguration(silent.job(errors, "Configuration"), limited, {});
    EXPECT_EQ(none.end, TransferEnd::DeviceSilent);
    const double waited = silent.msSince(start) / 1000;
    EXPECT_GE(waited, 3);
    EXPECT_LT(waited, 3 + 1.2) << "given up at the first look past the limit";
    EXPECT_TRUE(errors.reports.empty());
}

TEST(ConfigurationRead, AdapterPulledOut_EndsItWithOneReport) {
    SimBench bench;
    testing::RecordingErrors errors;
    const auto read =
        readConfiguration(bench.job(errors, "Configuration"), {}, [&](const CellReadProgress& p) {
            if (p.done == 10) {
                bench.catalogue.line(bench.port)->unplug();
            }
        });
    EXPECT_EQ(read.end, TransferEnd::PortFailed);
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].number, errc::kPortLost);
    EXPECT_EQ(errors.reports[0].source, "MSComm1_OnComm");
}

TEST(TickedWrite, OneCellEveryHalfSecond_EmptyTicksSendNothing_StopEndsBetweenTicks) {
    SimBench bench;
    testing::RecordingErrors errors;
    const std::vector<std::optional<CellWrite>> ticks = {CellWrite{14, 21}, CellWrite{15, 85},
                                                         std::nullopt, CellWrite{102, 75}};
    std::vector<int> passed;
    const auto start = bench.clock.now();
    const auto written =
        writeTicks(bench.job(errors, "Configuration"), ticks, [&](int n) { passed.push_back(n); });
    EXPECT_EQ(written.end, TransferEnd::Completed);
    EXPECT_EQ(written.ticksDone, 4);
    EXPECT_EQ(passed, (std::vector<int>{1, 2, 3, 4}));
    const auto rx = bench.received();
    ASSERT_EQ(rx.size(), 9U);
    const double first = std::chrono::duration<double, std::milli>(start).count();
    for (std::size_t w = 0; w < 3; ++w) {
        EXPECT_EQ(rx[3 * w].value, 'p');
    }
    EXPECT_NEAR(rx[0].ms - first, 500, 1) << "nothing before the first tick";
    EXPECT_NEAR(rx[3].ms - rx[0].ms, 500, 1);
    EXPECT_NEAR(rx[6].ms - rx[3].ms, 1000, 1) << "the empty tick passed in silence";
    EXPECT_EQ(bench.memory().eeprom[14], 21);
    EXPECT_EQ(bench.memory().eeprom[102], 75);

    SimBench halted;
    std::stop_source& stop = halted.stoppable();
    const auto stopped = writeTicks(halted.job(errors, "Configuration"), ticks, [&](int n) {
        if (n == 2) {
            stop.request_stop();
        }
    });
    EXPECT_EQ(stopped.end, TransferEnd::Stopped);
    EXPECT_EQ(stopped.ticksDone, 2);
    EXPECT_EQ(halted.receivedBytes(), (std::vector<std::uint8_t>{'p', 14, 21, 'p', 15, 85}))
        << "whole writes only";
    EXPECT_TRUE(errors.reports.empty());
}

TEST(Calibration, SamplingSwitchesTheShakerOffThenPollsTheAccelerometers) {
    SimBench bench;
    testing::RecordingErrors errors;
    bench.memory().eeprom[kShakerEnableCell] = 1;
    std::stop_source& stop = bench.stoppable();
    CalibrationTracker tracker;
    int readings = 0;
    int readingsAtShakerOff = -1;
    SamplingWatch watch;
    watch.shakerOff = [&] {
        readingsAtShakerOff = readings;
        EXPECT_EQ(bench.memory().eeprom[kShakerEnableCell], 0) << "told once it is in the logger";
    };
    const auto end = sampleAccelerometers(
        bench.job(errors, "Calibrate"),
        [&](const link::AccelerometerReading& r) {
            tracker.add(r);
            if (++readings == 50) {
                stop.request_stop();
            }
        },
        watch);
    EXPECT_EQ(end, SamplingEnd::Stopped);
    EXPECT_EQ(readingsAtShakerOff, 0);
    const auto rx = bench.received();
    ASSERT_GE(rx.size(), 53U);
    EXPECT_EQ(SimBench::valuesOf(rx, 0, 3), (std::vector<std::uint8_t>{'p', kShakerEnableCell, 0}));
    EXPECT_GE(rx[3].ms - rx[2].ms, 1000) << "a second passes before the first request";
    EXPECT_LT(rx[3].ms - rx[2].ms, 1001);
    for (std::size_t i = 3; i < rx.size(); ++i) {
        EXPECT_EQ(rx[i].value, 'a');
    }
    EXPECT_EQ(bench.memory().eeprom[kShakerEnableCell], 0);
    for (const auto& axis : tracker.axes) {
        EXPECT_LE(axis.min, axis.max);
    }
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_TRUE(errors.reports.empty());
}

TEST(Calibration, TrackerAndWrite_FollowTheReadingsAndRoundHalvesToEven) {
    AxisCalibration x;
    for (const double reading : {500.0, 520.0, 480.0}) {
        x.add(reading);
    }
    EXPECT_EQ(x.min, 480);
    EXPECT_EQ(x.max, 520);
    EXPECT_EQ(x.offset, 500);
    EXPECT_EQ(x.gain, 20);
    AxisCalibration single;
    single.add(511);
    EXPECT_EQ(single.min, 511);
    EXPECT_EQ(single.max, 511);
    EXPECT_EQ(single.gain, 0);

    const auto ticks = calibrationWrite({511.5, 323, 0, 100.5, 101.5, 65535});
    const std::vector<std::optional<CellWrite>> expected = {
        CellWrite{2, 2},  CellWrite{3, 0},    CellWrite{4, 1},    CellWrite{5, 67},
        CellWrite{6, 0},  CellWrite{7, 0},    CellWrite{8, 0},    CellWrite{9, 100},
        CellWrite{10, 0}, CellWrite{11, 102}, CellWrite{12, 255}, CellWrite{13, 255}};
    EXPECT_EQ(ticks, expected);
    EXPECT_THROW((void)calibrationWrite({0, 0, 0, 0, 0, 65536}), UnsendableValue);
    EXPECT_THROW((void)calibrationWrite({-256, 0, 0, 0, 0, 0}), UnsendableValue);
}

}  // namespace
}  // namespace tilt::config
