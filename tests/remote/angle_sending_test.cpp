// The sending side of a remote session in virtual time: which readings go out, and as what.
#include "remote/angle_sending.h"

#include <gtest/gtest.h>

#include <stop_token>

#include "remote/angle_datagram.h"
#include "support/recording_errors.h"
#include "support/sim_bench.h"

namespace tilt::remote {
namespace {

// The moving simulated logger, with Send switched off for readings 4 to 6: every reading is
// handed on, and exactly those read while sending carry a datagram: the one that went out, in
// the order of the readings.
TEST(AngleSending, SendsTheReadingsTakenWhileSendingIsOn_EachAsItsAngleDatagram) {
    testing::SimBench bench;
    testing::RecordingErrors errors;
    std::stop_source& stop = bench.stoppable();
    struct Recorded final : DatagramSink {
        void send(const std::string& datagram) override { sent.push_back(datagram); }
        std::vector<std::string> sent;
    } sink;

    int readings = 0;
    std::vector<std::optional<std::string>> handedOn;
    std::vector<link::AngleReading> sampled;
    AngleSending sending;
    sending.sending = [&] { return readings < 3 || readings >= 6; };
    sending.sampled = [&](const live::AngleSample& sample,
                          const std::optional<std::string>& datagram) {
        sampled.push_back(sample.reading);
        handedOn.push_back(datagram);
        if (++readings == 10) {
            stop.request_stop();
        }
    };
    EXPECT_EQ(sendSampledAngles(bench.job(errors, "RemoteSession"), sink, sending),
              live::LiveEnd::Stopped);
    EXPECT_TRUE(errors.reports.empty());

    ASSERT_GE(sampled.size(), 10U);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < sampled.size(); ++i) {
        const bool on = i < 3 || i >= 6;
        ASSERT_EQ(handedOn[i].has_value(), on) << i;
        if (on) {
            EXPECT_EQ(*handedOn[i], angleDatagram(sampled[i].angleX, sampled[i].angleY)) << i;
            expected.push_back(*handedOn[i]);
        }
    }
    EXPECT_EQ(sink.sent, expected);
}

}  // namespace
}  // namespace tilt::remote
