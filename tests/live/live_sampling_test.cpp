// The live loops in virtual time: the pace of the device, the requests carried out between two
// replies with their exact bytes and pauses, and the recording of every reading.
#include "live/live_sampling.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "config/calibration.h"
#include "device/device_memory.h"
#include "live/live_writes.h"
#include "live/silence_watch.h"
#include "support/recording_errors.h"
#include "support/sim_bench.h"
#include "support/temp_folder.h"

namespace tilt::live {
namespace {

using testing::SimBench;
using namespace std::chrono_literals;

// One byte on the line at 19200 baud, 8N1, in milliseconds.
constexpr double kByteMs = 10.0 / 19200.0 * 1000.0;

class LiveLoop : public testing::TempFolderTest {
  protected:
    // Runs the angle loop until `readings` have come, posting `post` with reading `at`. The
    // reply held back for its second check comes after the stop, so the loop hands on one
    // reading more.
    std::vector<AngleSample> angles(SimBench& bench, const LiveOptions& options, int readings,
                                    int at = -1, std::optional<LoopRequest> post = {}) {
        std::vector<AngleSample> seen;
        std::stop_source& stop = bench.stoppable();
        AngleLoopEvents events;
        events.reading = [&](const AngleSample& s) {
            seen.push_back(s);
            if (static_cast<int>(seen.size()) == at && post) {
                requests.post(*post);
            }
            if (static_cast<int>(seen.size()) == readings) {
                stop.request_stop();
            }
        };
        events.tare = [&](const TareDone& done) {
            tares.push_back(done);
            readingsBeforeTare.push_back(seen.size());
        };
        events.recordingFailed = [&] { ++recordingFailures; };
        end = sampleAngles(bench.job(errors, "Angles"), options, requests, events);
        return seen;
    }

    // Where a write between two replies starts: after requests alone, and once the reply of the
    // last of them is in (its request byte, four reply bytes and the reply delay).
    static std::size_t firstWriteAfterQuiet(const std::vector<SimBench::Received>& rx,
                                            std::uint8_t request, std::size_t replyBytes) {
        const auto p = static_cast<std::size_t>(
            std::find_if(rx.begin(), rx.end(), [](const auto& r) { return r.value == 'p'; }) -
            rx.begin());
        EXPECT_LT(p, rx.size());
        EXPECT_GT(p, 0U);
        for (std::size_t i = 0; i < p && i < rx.size(); ++i) {
            EXPECT_EQ(rx[i].value, request) << i;
        }
        if (p > 0 && p < rx.size()) {
            EXPECT_GE(rx[p].ms - rx[p - 1].ms, (1.0 + static_cast<double>(replyBytes)) * kByteMs)
                << "the write went out while a reply was coming";
        }
        return p;
    }

    LoopRequests requests;
    std::vector<TareDone> tares;
    std::vector<std::size_t> readingsBeforeTare;
    int recordingFailures = 0;
    LiveEnd end = LiveEnd::Stopped;
    testing::RecordingErrors errors;
};

TEST_F(LiveLoop, AnglesComeAtTheDevicesPaceAndEveryOneIsRecorded) {
    SimBench bench;
    LiveOptions options;
    options.recordTo = path("angles.tlg");
    writeFile(*options.recordTo, "header\r\n");
    const auto seen = angles(bench, options, 500);
    EXPECT_EQ(end, LiveEnd::Stopped);
    ASSERT_EQ(seen.size(), 501U) << "the reply held back at the stop counts too";
    // A reading costs the request byte, the four reply bytes and the device's reply delay.
    const double boundMs = 5 * kByteMs + 0.3;
    const double spentMs = seen.back().seconds * 1000 / 500;
    EXPECT_LT(spentMs, boundMs / 0.9) << "slower than 0.9 of the line";
    const std::string file = readFile(*options.recordTo);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 1 + 501) << "a line for every reading";
    const auto rx = bench.receivedBytes();
    EXPECT_TRUE(std::all_of(rx.begin(), rx.end(), [](std::uint8_t b) { return b == 'A'; }));
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(LiveLoop, TareTakesTheWordLastReadAndUntareWritesNoughts_BetweenTwoReplies) {
    for (const bool remove : {false, true}) {
        SimBench bench;
        const auto seen = angles(bench, {}, 20, 10, TareRequest{Axis::X, remove});
        ASSERT_EQ(tares.size(), 1U);
        ASSERT_GE(readingsBeforeTare[0], 10U);
        // The reading handed on last before the write.
        const auto& last = seen[readingsBeforeTare[0] - 1].reading;
        const auto rx = bench.received();
        const std::size_t p = firstWriteAfterQuiet(rx, 'A', 4);
        ASSERT_GT(rx.size(), p + 6);
        const int word = remove ? 0 : last.wordX;
        EXPECT_EQ(SimBench::valuesOf(rx, p, 6),
                  (std::vector<std::uint8_t>{'p', 14, static_cast<std::uint8_t>(word / 256), 'p',
                                             15, static_cast<std::uint8_t>(word % 256)}));
        EXPECT_NEAR(rx[p + 3].ms - rx[p + 2].ms, 500, 1) << "half a second after the high byte";
        EXPECT_EQ(rx[p + 6].value, 'A') << "the loop starts again";
        EXPECT_EQ(bench.memory().word(14), word);
        EXPECT_EQ(tares[0].removed, remove);
        EXPECT_EQ(tares[0].tareDegrees, remove ? 0 : last.angleX);
        tares.clear();
        readingsBeforeTare.clear();
    }
}

TEST_F(LiveLoop, WriteDacDuringTheAccelerometerLoop_SendsBothHalvesWithTheirPauses) {
    SimBench bench;
    std::stop_source& stop = bench.stoppable();
    int readings = 0;
    std::vector<DacDone> written;
    AccelerationLoopEvents events;
    events.reading = [&](const AccelerationSample&) {
        if (++readings == 5) {
            requests.post(DacRequest{1, 1000});
        }
        if (readings == 10) {
            stop.request_stop();
        }
    };
    events.dac = [&](const DacDone& d) { written.push_back(d); };
    EXPECT_EQ(sampleAccelerations(bench.job(errors, "Accelerometers"), {}, requests, events),
              LiveEnd::Stopped);
    ASSERT_EQ(written.size(), 1U);
    const auto rx = bench.received();
    const std::size_t p = firstWriteAfterQuiet(rx, 'a', 6);
    ASSERT_GT(rx.size(), p + 7);
    EXPECT_EQ(SimBench::valuesOf(rx, p, 7),
              (std::vector<std::uint8_t>{'p', 62, 3, 'p', 63, 232, 'a'}));
    EXPECT_NEAR(rx[p + 3].ms - rx[p + 2].ms, 100, 1);
    EXPECT_NEAR(rx[p + 6].ms - rx[p + 5].ms, 100, 1) << "100 ms after the low byte too";
    EXPECT_EQ(bench.memory().word(62), 1000);
    EXPECT_THROW(writeDac(bench.link, 1, 65536), Error);
    EXPECT_THROW(writeDac(bench.link, 4, 1), Error);
}

// Every reading is the words of the logger held at X 30, Y -20 degrees: none shifted or wrong.
void expectHeldStill(const std::vector<AngleSample>& seen) {
    for (const auto& s : seen) {
        ASSERT_EQ(s.reading.wordX, 5461) << "at " << s.seconds << " s";
        ASSERT_EQ(s.reading.wordY, 65536 - 7282) << "at " << s.seconds << " s";
    }
}

device::SimOptions heldStill() {
    device::SimOptions options;
    options.attitude = device::FixedAttitude{30, -20};
    return options;
}

// A reply one byte short or long is dropped and asked again; neither it nor the replies after
// it are ever taken for a reading. A surplus byte costs no wait for a lost reply.
TEST_F(LiveLoop, RepliesOfTheWrongLength_AreDroppedAndNeverShiftTheRepliesAfterThem) {
    struct Case {
        device::FaultPlan faults;
        bool paceKept;
    };
    for (const Case& c :
         {Case{{.lose = 0.1, .shortReply = 0.1}, false}, Case{{.extra = 0.2}, true}}) {
        device::SimOptions faulty = heldStill();
        faulty.faults = c.faults;
        SimBench bench(faulty);
        const auto seen = angles(bench, {}, 300);
        ASSERT_EQ(seen.size(), 301U);
        expectHeldStill(seen);
        EXPECT_GT(bench.receivedBytes().size(), 310U) << "dropped replies were asked for again";
        if (c.paceKept) {
            EXPECT_LT(seen.back().seconds * 1000 / 300, 2 * (5 * kByteMs + 0.3));
        }
    }
    EXPECT_TRUE(errors.reports.empty());
}

// On a noisy line a reply cut short is given up on at the logger's own pace, a few milliseconds
// after its newest byte: the loop keeps most of its clean pace, and counts what it asked again.
TEST_F(LiveLoop, NoisyLine_KeepsFourFifthsOfTheCleanPace_AndCountsTheRepliesAskedAgain) {
    SimBench clean(heldStill());
    const auto cleanRun = angles(clean, {}, 3000);
    device::SimOptions noisy = heldStill();
    noisy.faults = {.lose = 0.01, .extra = 0.01, .shortReply = 0.01};
    SimBench bench(noisy);
    const auto seen = angles(bench, {}, 3000);
    expectHeldStill(seen);
    EXPECT_LE(seen.back().seconds, cleanRun.back().seconds / 0.8);
    EXPECT_GT(seen.back().askedAgain, 30);
    EXPECT_EQ(cleanRun.back().askedAgain, 0);
}

// A logger that slows from 1 ms to 150 ms a reply: a few replies are given up on while the limit
// widens, none is taken for another's, and then the loop keeps the new pace without asking again.
TEST_F(LiveLoop, LoggerThatSlowsFrom1To150Milliseconds_SlowsAndRecovers_WithNoWrongReading) {
    device::SimOptions options = heldStill();
    options.replyDelay = 1ms;
    options.replyDelayChange = device::SimOptions::DelayChange{150ms, 1s};
    SimBench bench(options);
    const auto seen = angles(bench, {}, 400);
    expectHeldStill(seen);
    const AngleSample& late = seen[seen.size() - 20];
    EXPECT_EQ(seen.back().askedAgain, late.askedAgain);
    EXPECT_NEAR((seen.back().seconds - late.seconds) / 19, 0.153, 0.01);
    EXPECT_LT(seen.back().askedAgain, 40) << "the loop slowed for a few replies only";
    EXPECT_GT(seen.back().askedAgain, 0) << "the jump came within the run";
}

// A write between two replies that fails is reported under its own name, once, and ends the
// loop.
TEST_F(LiveLoop, PortLostDuringATareOrDacWrite_IsReportedUnderTheWritesName) {
    struct Case {
        bool accelerometers;
        LoopRequest request;
        const char* procedure;
    };
    for (const Case& c : {Case{false, TareRequest{Axis::Y, false}, "GetTare"},
                          Case{false, TareRequest{Axis::X, true}, "RemoveTare"},
                          Case{true, DacRequest{2, 500}, "WriteDAC"}}) {
        SimBench bench;
        testing::RecordingErrors seen;
        int readings = 0;
        // The request is posted with the fifth reading; the sixth, the reply in hand when the
        // write is about to go out, pulls the adapter.
        const auto pullAfterFive = [&] {
            ++readings;
            if (readings == 5) {
                requests.post(c.request);
            } else if (readings == 6) {
                bench.catalogue.line(bench.port)->unplug();
            }
        };
        LiveEnd ended = LiveEnd::Stopped;
        if (c.accelerometers) {
            AccelerationLoopEvents events;
            events.reading = [&](const AccelerationSample&) { pullAfterFive(); };
            ended = sampleAccelerations(bench.job(seen, "Accelerometers"), {}, requests, events);
        } else {
            AngleLoopEvents events;
            events.reading = [&](const AngleSample&) { pullAfterFive(); };
            ended = sampleAngles(bench.job(seen, "Angles"), {}, requests, events);
        }
        EXPECT_EQ(ended, LiveEnd::PortFailed) << c.procedure;
        ASSERT_EQ(seen.reports.size(), 1U) << c.procedure;
        EXPECT_EQ(seen.reports[0].source, c.procedure);
        EXPECT_EQ(readings, 6);
    }
}

TEST_F(LiveLoop, ATareAskedBeforeAnyReading_WaitsForTheFirstOne) {
    SimBench bench;
    requests.post(TareRequest{Axis::X, false});
    const auto seen = angles(bench, {}, 3);
    ASSERT_EQ(tares.size(), 1U);
    EXPECT_EQ(bench.memory().word(14), seen[0].reading.wordX) << "the first reading's word";
    EXPECT_EQ(tares[0].tareDegrees, seen[0].reading.angleX);
}

TEST_F(LiveLoop, RecordingThatFails_IsReportedOnceWhileSamplingGoesOn) {
    SimBench bench;
    LiveOptions options;
    options.recordTo = path("no such folder/angles.tlg");
    EXPECT_EQ(angles(bench, options, 50).size(), 51U) << "the reply held back at the stop too";
    EXPECT_EQ(end, LiveEnd::Stopped);
    EXPECT_EQ(recordingFailures, 1);
    EXPECT_EQ(errors.reports.size(), 1U);
}

// Each polling loop says once that the device fell silent, a second after its last reply, and
// once that it answers again; the loop keeps asking meanwhile.
TEST_F(LiveLoop, DeviceFallingSilent_IsToldOnceAndAgainWhenItAnswers) {
    enum class Loop { Angles, Accelerations, Calibration };
    for (const Loop loop : {Loop::Angles, Loop::Accelerations, Loop::Calibration}) {
        SimBench bench;
        const link::Nanos quietFrom = link::ms(1500);
        const link::Nanos quietUntil = link::ms(4500);
        bench.catalogue.line(bench.port)->withDevice([&](device::SimDevice* d) {
            d->silenceBetween(quietFrom, quietUntil);
        });
        std::stop_source& stop = bench.stoppable();
        link::Nanos lastBeforeQuiet{0};
        int afterQuiet = 0;
        const auto reading = [&] {
            const link::Nanos now = bench.clock.now();
            if (now < quietFrom) {
                lastBeforeQuiet = now;
            } else if (++afterQuiet == 20) {
                stop.request_stop();
            }
        };
        std::vector<std::pair<bool, link::Nanos>> told;
        const auto silence = [&](bool silent) { told.emplace_back(silent, bench.clock.now()); };
        if (loop == Loop::Angles) {
            AngleLoopEvents events{[&](const AngleSample&) { reading(); }, {}, {}, silence};
            (void)sampleAngles(bench.job(errors, "Angles"), {}, requests, events);
        } else if (loop == Loop::Accelerations) {
            AccelerationLoopEvents events{
                [&](const AccelerationSample&) { reading(); }, {}, {}, silence};
            (void)sampleAccelerations(bench.job(errors, "Angles"), {}, requests, events);
        } else {
            (void)config::sampleAccelerometers(
                bench.job(errors, "Calibrate"),
                [&](const link::AccelerometerReading&) { reading(); }, {{}, silence});
        }
        ASSERT_EQ(told.size(), 2U) << static_cast<int>(loop);
        EXPECT_TRUE(told[0].first);
        EXPECT_GE(told[0].second - lastBeforeQuiet, kSilenceShownAfter);
        EXPECT_LT(told[0].second - lastBeforeQuiet, kSilenceShownAfter + link::ms(300));
        EXPECT_FALSE(told[1].first);
        EXPECT_GE(told[1].second, quietUntil);
        EXPECT_GE(afterQuiet, 20) << "the loop kept asking";
    }
    EXPECT_TRUE(errors.reports.empty());
}

}  // namespace
}  // namespace tilt::live
