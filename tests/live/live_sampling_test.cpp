// The live loops in virtual time: the pace of the device, the requests carried out between two
// replies with their exact bytes and pauses, and the recording of every reading.
#include "live/live_sampling.h"

#include <gtest/gtest.h>

#include "device/device_memory.h"
#include "live/live_writes.h"
#include "shell/error.h"
#include "support/recording_errors.h"
#include "support/sim_bench.h"
#include "support/temp_folder.h"

namespace tilt::live {
namespace {

using testing::SimBench;

// One byte on the line at 19200 baud, 8N1, in milliseconds.
constexpr double kByteMs = 10.0 / 19200.0 * 1000.0;

LiveOptions on(const SimBench& bench, const char* window = "Angles") {
    LiveOptions options;
    options.commPort = bench.port;
    options.window = window;
    return options;
}

class LiveLoop : public testing::TempFolderTest {
  protected:
    // Runs the angle loop until `readings` have come, posting `post` before reading `at`.
    std::vector<AngleSample> angles(SimBench& bench, const LiveOptions& options, int readings,
                                    int at = -1, std::optional<LoopRequest> post = {}) {
        std::vector<AngleSample> seen;
        std::stop_source stop;
        bench.link.setStopToken(stop.get_token());
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
        events.tare = [&](const TareDone& done) { tares.push_back(done); };
        end = sampleAngles(bench.link, errors, options, requests, events);
        return seen;
    }

    LoopRequests requests;
    std::vector<TareDone> tares;
    LiveEnd end = LiveEnd::Stopped;
    testing::RecordingErrors errors;
};

TEST_F(LiveLoop, AnglesComeAtTheDevicesPaceAndEveryOneIsRecorded) {
    SimBench bench;
    auto options = on(bench);
    options.recordTo = path("angles.tlg");
    writeFile(*options.recordTo, "header\r\n");
    const auto seen = angles(bench, options, 500);
    EXPECT_EQ(end, LiveEnd::Stopped);
    ASSERT_EQ(seen.size(), 500U);
    // A reading costs the request byte, the four reply bytes and the device's reply delay.
    const double boundMs = 5 * kByteMs + 0.3;
    const double spentMs = seen.back().seconds * 1000 / 499;
    EXPECT_LT(spentMs, boundMs / 0.9) << "slower than 0.9 of the line";
    const std::string file = readFile(*options.recordTo);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\n'), 1 + 500) << "a line for every reading";
    const auto rx = bench.receivedBytes();
    EXPECT_TRUE(std::all_of(rx.begin(), rx.end(), [](std::uint8_t b) { return b == 'A'; }));
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(LiveLoop, TareTakesTheWordLastReadAndUntareWritesNoughts_BetweenTwoReplies) {
    for (const bool remove : {false, true}) {
        SimBench bench;
        const auto seen = angles(bench, on(bench), 20, 10, TareRequest{Axis::X, remove});
        ASSERT_EQ(tares.size(), 1U);
        const auto& last = seen[9].reading;  // the tenth reading was the last before the write
        const auto rx = bench.received();
        // Ten requests and replies, then the tare write, then the loop goes on.
        ASSERT_GT(rx.size(), 10U + 6U);
        EXPECT_EQ(rx[10].value, 'p');
        EXPECT_EQ(rx[11].value, 14);
        EXPECT_EQ(rx[12].value, remove ? 0 : last.wordX / 256);
        EXPECT_EQ(rx[13].value, 'p');
        EXPECT_EQ(rx[14].value, 15);
        EXPECT_EQ(rx[15].value, remove ? 0 : last.wordX % 256);
        EXPECT_NEAR(rx[11].ms - rx[10].ms, 12, 0.6);
        EXPECT_NEAR(rx[12].ms - rx[11].ms, 12, 0.6);
        EXPECT_NEAR(rx[13].ms - rx[12].ms, 500, 1) << "half a second after the high byte";
        EXPECT_EQ(rx[16].value, 'A') << "the loop starts again";
        EXPECT_EQ(bench.memory().word(14), remove ? 0 : last.wordX);
        EXPECT_EQ(tares[0].removed, remove);
        EXPECT_EQ(tares[0].tareDegrees, remove ? 0 : last.angleX);
        tares.clear();
    }
}

TEST_F(LiveLoop, WriteDacDuringTheAccelerometerLoop_SendsBothHalvesWithTheirPauses) {
    SimBench bench;
    std::stop_source stop;
    bench.link.setStopToken(stop.get_token());
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
    EXPECT_EQ(
        sampleAccelerations(bench.link, errors, on(bench, "Accelerometers"), requests, events),
        LiveEnd::Stopped);
    ASSERT_EQ(written.size(), 1U);
    const auto rx = bench.received();
    ASSERT_GT(rx.size(), 12U);
    const std::vector<std::uint8_t> expected = {'p', 62, 3, 'p', 63, 232};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(rx[5 + i].value, expected[i]) << i;
    }
    EXPECT_NEAR(rx[8].ms - rx[7].ms, 100, 1);
    EXPECT_NEAR(rx[11].ms - rx[10].ms, 100, 1) << "100 ms after the low byte too";
    EXPECT_EQ(rx[11].value, 'a');
    EXPECT_EQ(bench.memory().word(62), 1000);
    EXPECT_THROW(writeDac(bench.link, 1, 65536), Error);
    EXPECT_THROW(writeDac(bench.link, 4, 1), Error);
}

TEST_F(LiveLoop, RepliesOfTheWrongLengthAreDroppedAndAskedAgain) {
    device::SimOptions faulty;
    faulty.faults.lose = faulty.faults.shortReply = 0.1;
    SimBench bench(faulty);
    const auto seen = angles(bench, on(bench), 200);
    ASSERT_EQ(seen.size(), 200U);
    EXPECT_GT(bench.receivedBytes().size(), 210U) << "lost replies were asked for again";
    for (const auto& s : seen) {
        EXPECT_LE(std::abs(s.reading.angleX), 180);
    }
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(LiveLoop, RecordingThatFails_IsReportedOnceWhileSamplingGoesOn) {
    SimBench bench;
    auto options = on(bench);
    options.recordTo = path("no such folder/angles.tlg");
    int failures = 0;
    std::stop_source stop;
    bench.link.setStopToken(stop.get_token());
    int readings = 0;
    AngleLoopEvents events;
    events.reading = [&](const AngleSample&) {
        if (++readings == 50) {
            stop.request_stop();
        }
    };
    events.recordingFailed = [&] { ++failures; };
    EXPECT_EQ(sampleAngles(bench.link, errors, options, requests, events), LiveEnd::Stopped);
    EXPECT_EQ(readings, 50);
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(errors.reports.size(), 1U);
}

}  // namespace
}  // namespace tilt::live
