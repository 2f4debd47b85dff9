#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "device/sim_device.h"
#include "device/sim_line_helpers.h"
#include "device/sim_options.h"
#include "support/sim_bench.h"

namespace tilt::device {
namespace {

using namespace simtest;
using ::testing::HasSubstr;

SimOptions faulty(const FaultPlan& faults) {
    SimOptions o = testing::recording(Preload::Linear1, 40, 7);
    o.faults = faults;
    return o;
}

// Whether `part` can be had from `whole` by leaving bytes out.
bool isSubsequence(const Bytes& part, const Bytes& whole) {
    std::size_t i = 0;
    for (const auto b : whole) {
        i += i < part.size() && part[i] == b ? 1 : 0;
    }
    return i == part.size();
}

TEST(SimDeviceFaults, EachKind_StrikesAboutItsShareOfRepliesInItsOwnWay) {
    enum class Kind { Lose, Extra, Garble, Short };
    struct Case {
        Kind kind;
        FaultPlan plan;
        double share;
    };
    const Case cases[] = {{Kind::Lose, {.lose = 0.1}, 0.1},
                          {Kind::Extra, {.extra = 0.1}, 0.1},
                          {Kind::Garble, {.garble = 0.1}, 0.1},
                          {Kind::Short, {.shortReply = 0.5}, 0.5}};
    constexpr int kReplies = 400;
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.kind));
        SimDevice dev(faulty(c.plan));
        const Bytes page = bytesOf(dev.memory().page(1));
        int struck = 0;
        for (int k = 0; k < kReplies; ++k) {  // page 1, one request a second
            send(dev, {'d', 0, 1}, k * 1s);
            const Bytes r = valuesOf(drain(dev, k * 1s + 900ms));
            if (r == page) {
                continue;
            }
            ++struck;
            switch (c.kind) {
                case Kind::Lose:  // one hole, order kept
                    EXPECT_EQ(r.size(), page.size() - 1) << "reply " << k;
                    EXPECT_TRUE(isSubsequence(r, page)) << "reply " << k;
                    break;
                case Kind::Extra:  // one addition, the page still in order
                    EXPECT_EQ(r.size(), page.size() + 1) << "reply " << k;
                    EXPECT_TRUE(isSubsequence(page, r)) << "reply " << k;
                    break;
                case Kind::Garble: {  // one byte changed in place
                    ASSERT_EQ(r.size(), page.size()) << "reply " << k;
                    int changed = 0;
                    for (std::size_t i = 0; i < r.size(); ++i) {
                        changed += r[i] != page[i] ? 1 : 0;
                    }
                    EXPECT_EQ(changed, 1) << "reply " << k;
                    break;
                }
                case Kind::Short:  // a prefix
                    EXPECT_LT(r.size(), page.size());
                    EXPECT_TRUE(std::equal(r.begin(), r.end(), page.begin()));
                    break;
            }
        }
        EXPECT_NEAR(static_cast<double>(struck) / kReplies, c.share, 0.05);
    }
}

TEST(SimDeviceFaults, Silence_MutesEveryWindowFromOnePeriodAfterPowerUp) {
    SimOptions o;
    o.faults.silenceLength = 3s;
    o.faults.silenceEvery = 20s;
    SimDevice dev(o, 2s);  // switched on at 2 s: windows at 22..25 s, 42..45 s
    const std::pair<Nanos, bool> probes[] = {{3s, true},       {21s, true},      {21900ms, true},
                                             {22100ms, false}, {24500ms, false}, {25100ms, true},
                                             {42500ms, false}, {45500ms, true},  {62100ms, false}};
    for (const auto& [at, answers] : probes) {
        SCOPED_TRACE(at.count());
        send(dev, {'f'}, at);
        EXPECT_EQ(drain(dev, at + 100ms).size(), answers ? 1u : 0u);
    }
}

TEST(SimDeviceFaults, FaultPattern_DependsOnlyOnOptionsSeedAndRequests) {
    // A fixed series of requests from `start` on, `spacing` between them.
    const auto runScript = [](SimDevice&& dev, Nanos spacing, Nanos start) {
        Bytes all;
        for (int k = 0; k < 30; ++k) {
            const Nanos t = start + k * spacing;
            const auto page = static_cast<std::uint8_t>(k % 5 + 1);
            send(dev, {'d', 0, page, 'r', static_cast<std::uint8_t>(k), 'f'}, t);
            const auto got = valuesOf(drain(dev, t + 900ms));
            all.insert(all.end(), got.begin(), got.end());
        }
        return all;
    };
    const FaultPlan plan{.lose = 0.05, .extra = 0.05, .garble = 0.05, .shortReply = 0.2};
    const Bytes reference = runScript(SimDevice(faulty(plan)), 1s, 0s);
    ASSERT_NE(runScript(SimDevice(faulty({})), 1s, 0s), reference);  // the faults did strike
    EXPECT_EQ(runScript(SimDevice(faulty(plan)), 1s, 0s), reference);
    // Switched on later and asked more slowly: the same faults.
    EXPECT_EQ(runScript(SimDevice(faulty(plan), 5s), 2500ms, 5s), reference);
}

TEST(SimOptionsParse, FaultListAndDurations_AreReadFromTheirText) {
    const FaultPlan f =
        parseFaultList("lose=0.01,extra=0.01,garble=0.001,short=0.01,silence=1.5s@every20s");
    EXPECT_DOUBLE_EQ(f.lose, 0.01);
    EXPECT_DOUBLE_EQ(f.extra, 0.01);
    EXPECT_DOUBLE_EQ(f.garble, 0.001);
    EXPECT_DOUBLE_EQ(f.shortReply, 0.01);
    EXPECT_EQ(f.silenceLength, Nanos{1500ms});
    EXPECT_EQ(f.silenceEvery, Nanos{20s});
    EXPECT_FALSE(parseFaultList("").any());
    EXPECT_TRUE(parseFaultList("garble=0.5").any());
    EXPECT_EQ(parseDuration("250ms"), Nanos{250ms});
    EXPECT_EQ(parseDuration("2.3ms"), Nanos{2300us});
    for (const char* bad : {"", "ms", "3m", "-1s", "3 s"}) {
        EXPECT_THROW((void)parseDuration(bad), std::invalid_argument) << bad;
    }
}

TEST(SimOptionsParse, BadText_ThrowsNamingTheProblem) {
    const std::pair<const char*, const char*> cases[] = {{"lose=2", "lose"},
                                                         {"short=-0.1", "short"},
                                                         {"lose=abc", "abc"},
                                                         {"bogus=0.1", "bogus"},
                                                         {"garble", "garble"},
                                                         {"silence=3s", "@every"},
                                                         {"silence=30s@every20s", "shorter"},
                                                         {"silence=3x@every20s", "3x"}};
    for (const auto& [text, mention] : cases) {
        SCOPED_TRACE(text);
        EXPECT_THAT([&] { (void)parseFaultList(text); },
                    ::testing::ThrowsMessage<std::invalid_argument>(HasSubstr(mention)));
    }
    EXPECT_THAT([] { (void)parsePreload("linear4"); },
                ::testing::ThrowsMessage<std::invalid_argument>(
                    ::testing::AllOf(HasSubstr("linear4"), HasSubstr("bin"))));
}

}  // namespace
}  // namespace tilt::device
