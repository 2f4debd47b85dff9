// A slow logger: replies start a set delay after their request, with a random extra on top.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>

#include "device/sim_device.h"
#include "device/sim_line_helpers.h"

namespace tilt::device {
namespace {

using namespace simtest;

// When the reply to an angle request sent at `at` starts: its first byte's arrival, less the
// byte's own time on the line.
double replyStart(SimDevice& device, Nanos at) {
    send(device, {'A'}, at);
    const auto reply = drain(device, at + 2s);
    EXPECT_EQ(reply.size(), 4U);
    return reply.empty() ? 0 : static_cast<double>((reply.front().at - at).count()) - kByteNanos;
}

TEST(SimReplyDelay, EveryReplyStartsTheDelayLater_AndAChangeTakesHoldAtItsTime) {
    SimDevice clean{SimOptions{}};
    const double line = replyStart(clean, 0ns);
    SimOptions slow;
    slow.replyDelay = 150ms;
    SimDevice device(slow);
    EXPECT_NEAR(replyStart(device, 0ns) - line, 150e6, 1e3);
    EXPECT_NEAR(replyStart(device, 3s) - line, 150e6, 1e3);
    slow.replyDelayChange = parseReplyDelayChange("1@5s");  // the logger speeds up mid-run
    SimDevice changing(slow);
    EXPECT_NEAR(replyStart(changing, 4s) - line, 150e6, 1e3);
    EXPECT_NEAR(replyStart(changing, 5s) - line, 1e6, 1e3);
}

TEST(SimReplyDelay, Jitter_SpreadsTheStartsOverItsRange_TheSameForTheSameSeed) {
    SimOptions jittery;
    jittery.replyDelay = 10ms;
    jittery.replyJitter = 20ms;
    SimDevice clean{SimOptions{}};
    const double line = replyStart(clean, 0ns);
    SimDevice device(jittery);
    SimDevice twin(jittery);
    double least = 1e12;
    double most = 0;
    for (int i = 0; i < 200; ++i) {
        const Nanos at = std::chrono::seconds(i);
        const double start = replyStart(device, at) - line;
        EXPECT_EQ(start, replyStart(twin, at) - line) << "request " << i;
        least = std::min(least, start);
        most = std::max(most, start);
    }
    EXPECT_GE(least, 10e6 - 1e3);
    EXPECT_LE(most, 30e6 + 1e3);
    EXPECT_GT(most - least, 15e6) << "the extra delay is spread, not fixed";
}

TEST(SimReplyDelay, OptionText_IsMillisecondsFromNoughtToTenSeconds) {
    EXPECT_EQ(parseReplyDelay("150", "--reply-delay"), Nanos(150ms));
    EXPECT_EQ(parseReplyDelay("0.5", "--reply-delay"), Nanos(500us));
    EXPECT_THROW((void)parseReplyDelayChange("150"), std::invalid_argument);
    for (const char* bad : {"-1", "10001", "fast", ""}) {
        try {
            (void)parseReplyDelay(bad, "--reply-jitter");
            ADD_FAILURE() << bad << " was taken";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find("--reply-jitter"), std::string::npos) << e.what();
        }
    }
}

}  // namespace
}  // namespace tilt::device
