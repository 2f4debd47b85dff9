// How long a quiet line means a reply is not coming: learnt from the logger's own replies.
#include <gtest/gtest.h>

#include "link/poll.h"
#include "link/protocol.h"
#include "link/reply_pace.h"
#include "support/sim_bench.h"

namespace tilt::link {
namespace {

using std::chrono::microseconds;
using testing::SimBench;

constexpr Nanos kFallback = ms(250);

TEST(ReplyPace, FastLogger_ThreeRepliesSetTheLimitToThreeTimesTheirTime_NeverBelowTheLeast) {
    ReplyPace pace;
    EXPECT_EQ(pace.silenceLimit(kFallback), kFallback) << "nothing to go by yet";
    pace.replied(microseconds(2000));
    pace.replied(microseconds(3000));
    EXPECT_EQ(pace.silenceLimit(kFallback), microseconds(30000)) << "a wide margin at first";
    pace.replied(microseconds(9000));
    EXPECT_EQ(pace.silenceLimit(kFallback), microseconds(27000));
    // One slow reply in a hundred does not move it; the 95th percentile does.
    ReplyPace steady;
    for (int i = 0; i < 64; ++i) {
        steady.replied(microseconds(i == 10 ? 60000 : 9000));
    }
    EXPECT_EQ(steady.silenceLimit(kFallback), microseconds(27000));
    ReplyPace quick;
    for (int i = 0; i < 5; ++i) {
        quick.replied(microseconds(200));
    }
    EXPECT_EQ(quick.silenceLimit(kFallback), ReplyPace::kLeastLimit);
    pace.forget();
    EXPECT_EQ(pace.silenceLimit(kFallback), kFallback);
}

TEST(ReplyPace, SlowLogger_IsGivenTheFullLimit_AndALoggerThatSlowsDownIsHeardOutAgain) {
    ReplyPace pace;
    for (int i = 0; i < 5; ++i) {
        pace.replied(ms(153));
    }
    EXPECT_EQ(pace.silenceLimit(kFallback), kFallback) << "3 x 153 ms is beyond the fallback";

    // Fast for a while, then 150 ms a reply: each reply given up on doubles the next limit, a
    // whole one is learnt; within a few replies the limit covers the new pace for good.
    ReplyPace jumping;
    for (int i = 0; i < 64; ++i) {
        jumping.replied(microseconds(3000));
    }
    int givenUp = 0;
    for (int reply = 0; reply < 20; ++reply) {
        while (jumping.silenceLimit(kFallback) < ms(153)) {
            jumping.judgedCut();
            ++givenUp;
            ASSERT_LT(givenUp, 100);
        }
        jumping.replied(ms(153));
    }
    EXPECT_GE(jumping.silenceLimit(kFallback), ms(153));
    EXPECT_LE(givenUp, 30) << "the loop slows, then recovers";
    jumping.replied(ms(153));
    EXPECT_EQ(jumping.silenceLimit(kFallback), kFallback) << "the new pace is learnt";
}

TEST(ReplyPace, OnTheLine_ASlowLoggerIsNeverAskedWhileItsReplyIsOnItsWay) {
    device::SimOptions options;
    options.replyDelay = ms(150);
    options.attitude = device::FixedAttitude{30, -20};
    SimBench bench(options);
    bench.link.open();
    Poller poller(bench.link, cmd::kAngles, kAnglesReplyBytes);
    int readings = 0;
    for (int i = 0; i < 20; ++i) {
        readings += poller.next(true).has_value() ? 1 : 0;
    }
    (void)poller.settle();
    EXPECT_GE(readings, 17);
    EXPECT_EQ(bench.link.pace().askedAgain(), 0);
    const auto rx = bench.received();
    for (std::size_t i = 1; i < rx.size(); ++i) {
        EXPECT_GE(rx[i].ms - rx[i - 1].ms, 150.0) << "request " << i << " came into a reply";
    }
    EXPECT_LT(bench.link.pace().silenceLimit(ms(1000)), ms(1000));
    bench.link.close();
    bench.link.open();  // a new connection: nothing is known of the logger behind it
    EXPECT_EQ(bench.link.pace().silenceLimit(ms(1000)), ms(1000));
}

}  // namespace
}  // namespace tilt::link
