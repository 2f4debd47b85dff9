#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "device/sim_device.h"
#include "device/sim_line_helpers.h"

namespace tilt::device {
namespace {

using namespace simtest;
using Bytes = std::vector<std::uint8_t>;

constexpr int kReads = 40;

SimOptions faulty(const FaultPlan& faults) {
    SimOptions o;
    o.preload = Preload::Linear1;
    o.seed = 7;
    o.faults = faults;
    return o;
}

// Reads page 1 `kReads` times, one request a second; returns what came back each time.
std::vector<Bytes> readPageOne(SimDevice& dev) {
    std::vector<Bytes> replies;
    for (int k = 0; k < kReads; ++k) {
        const Nanos t = k * 1s;
        send(dev, {'d', 0, 1}, t);
        replies.push_back(valuesOf(drain(dev, t + 900ms)));
    }
    return replies;
}

std::size_t totalSize(const std::vector<Bytes>& replies) {
    std::size_t n = 0;
    for (const auto& r : replies) {
        n += r.size();
    }
    return n;
}

constexpr double kSent = kReads * 264.0;

TEST(SimDeviceFaults, Lose_DropsAboutThatShareOfBytesAndKeepsTheOrder) {
    SimDevice dev(faulty({.lose = 0.1}));
    const Bytes page = bytesOf(dev.memory().page(1));
    const auto replies = readPageOne(dev);
    EXPECT_NEAR(static_cast<double>(totalSize(replies)) / kSent, 0.9, 0.03);
    for (const auto& r : replies) {
        // What arrives is the page with holes: a subsequence of it.
        std::size_t i = 0;
        for (const auto b : page) {
            if (i < r.size() && r[i] == b) {
                ++i;
            }
        }
        EXPECT_EQ(i, r.size());
    }
}

TEST(SimDeviceFaults, Garble_ChangesAboutThatShareOfBytesInPlace) {
    SimDevice dev(faulty({.garble = 0.1}));
    const Bytes page = bytesOf(dev.memory().page(1));
    std::size_t changed = 0;
    for (const auto& r : readPageOne(dev)) {
        ASSERT_EQ(r.size(), page.size());
        for (std::size_t i = 0; i < r.size(); ++i) {
            changed += r[i] != page[i] ? 1 : 0;
        }
    }
    EXPECT_NEAR(static_cast<double>(changed) / kSent, 0.1, 0.03);
}

TEST(SimDeviceFaults, Extra_AddsAboutThatShareOfBytes) {
    SimDevice dev(faulty({.extra = 0.1}));
    const auto replies = readPageOne(dev);
    for (const auto& r : replies) {
        EXPECT_GE(r.size(), 264u);
    }
    EXPECT_NEAR(static_cast<double>(totalSize(replies)) / kSent, 1.1, 0.03);
}

TEST(SimDeviceFaults, ShortReply_CutsAboutThatShareOfRepliesToAPrefix) {
    SimDevice dev(faulty({.shortReply = 0.5}));
    const Bytes page = bytesOf(dev.memory().page(1));
    int cut = 0;
    for (const auto& r : readPageOne(dev)) {
        ASSERT_LE(r.size(), page.size());
        EXPECT_TRUE(std::equal(r.begin(), r.end(), page.begin()));
        cut += r.size() < page.size() ? 1 : 0;
    }
    EXPECT_GE(cut, 10);
    EXPECT_LE(cut, 30);
}

TEST(SimDeviceFaults, Silence_MutesEveryWindowFromOnePeriodAfterPowerUp) {
    SimOptions o;
    o.faults.silenceLength = 3s;
    o.faults.silenceEvery = 20s;
    SimDevice dev(o, 2s);  // switched on at 2 s: windows at 22..25 s, 42..45 s
    const std::pair<Nanos, bool> probes[] = {
        {3s, true},      {21s, true},      {21900ms, true}, {22100ms, false}, {24500ms, false},
        {25100ms, true}, {42500ms, false}, {45500ms, true}, {62100ms, false},
    };
    for (const auto& [at, answers] : probes) {
        SCOPED_TRACE(at.count());
        send(dev, {'f'}, at);
        EXPECT_EQ(drain(dev, at + 100ms).size(), answers ? 1u : 0u);
    }
}

// A fixed series of requests from `start` on, `spacing` between them.
Bytes runScript(SimDevice& dev, Nanos spacing, Nanos start = 0s) {
    Bytes all;
    for (int k = 0; k < 30; ++k) {
        const Nanos t = start + k * spacing;
        send(dev,
             {'d', 0, static_cast<std::uint8_t>(k % 5 + 1), 'r', static_cast<std::uint8_t>(k), 'f'},
             t);
        const auto got = valuesOf(drain(dev, t + 900ms));
        all.insert(all.end(), got.begin(), got.end());
    }
    return all;
}

TEST(SimDeviceFaults, FaultPattern_DependsOnlyOnOptionsSeedAndRequests) {
    const FaultPlan plan{.lose = 0.05, .extra = 0.05, .garble = 0.05, .shortReply = 0.2};
    SimDevice first(faulty(plan));
    SimDevice again(faulty(plan));
    SimDevice later(faulty(plan), 5s);  // switched on later, asked more slowly
    SimDevice clean(faulty({}));
    const Bytes reference = runScript(first, 1s);
    ASSERT_NE(runScript(clean, 1s), reference);  // the faults did strike
    EXPECT_EQ(runScript(again, 1s), reference);
    EXPECT_EQ(runScript(later, 2500ms, 5s), reference);
}

}  // namespace
}  // namespace tilt::device
