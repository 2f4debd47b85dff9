#include "device/sim_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "device/sim_line_helpers.h"

namespace tilt::device {
namespace {

using namespace simtest;

SimOptions withPreload(Preload preload, int pages = 40) {
    SimOptions o;
    o.preload = preload;
    o.pages = pages;
    return o;
}

// Number of bytes written after page 0: everything up to the last byte that is not 0xFF.
std::size_t loggedBytes(const SimDevice& device) {
    const auto& flash = device.memory().flash;
    const auto data = std::span(flash).subspan(kFlashPageBytes);
    const auto last = std::find_if(data.rbegin(), data.rend(), [](auto b) { return b != 0xFF; });
    return static_cast<std::size_t>(data.rend() - last);
}

TEST(SimDeviceLine, PageRequest_StartsWithin1msAndStreamsAtLineSpeed) {
    SimDevice dev(withPreload(Preload::Linear1));
    EXPECT_NEAR(static_cast<double>(dev.byteTime().count()), kByteNanos, 1.0);
    send(dev, {'d', 0, 1}, 0ns);
    const double requestEnd = 3 * kByteNanos;  // three bytes back to back

    const auto reply = drain(dev, 2s);
    ASSERT_EQ(reply.size(), kFlashPageBytes);
    EXPECT_EQ(valuesOf(reply), bytesOf(dev.memory().page(1)));
    const double start = static_cast<double>(reply.front().at.count()) - kByteNanos;
    EXPECT_GE(start, requestEnd - 1.0);
    EXPECT_LE(start, requestEnd + 1e6);
    for (std::size_t k = 0; k < reply.size(); ++k) {
        EXPECT_NEAR(static_cast<double>(reply[k].at.count()) - start,
                    static_cast<double>(k + 1) * kByteNanos, 1000.0)
            << "byte " << k;
    }
}

TEST(SimDeviceLine, PaceOff_ReplyArrivesAtTheRequestInstant) {
    SimOptions o = withPreload(Preload::Linear2);
    o.pace = false;
    SimDevice dev(o);
    EXPECT_EQ(dev.byteTime(), 0ns);
    send(dev, {'d', 0, 3}, 5ms);
    EXPECT_EQ(dev.nextArrival(), Nanos{5ms});
    EXPECT_EQ(dev.takeArrived(5ms), bytesOf(dev.memory().page(3)));
}

TEST(SimDeviceLine, RxLog_RecordsEachByteWhenItsStopBitEnds) {
    SimDevice dev(SimOptions{});
    send(dev, {'r', 30}, 0ns);
    send(dev, {'f'}, 1s);
    const auto& log = dev.rxLog();
    ASSERT_EQ(log.size(), 3u);
    const double expected[] = {kByteNanos, 2 * kByteNanos, 1e9 + kByteNanos};
    const std::uint8_t values[] = {'r', 30, 'f'};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_NEAR(static_cast<double>(log[i].at.count()), expected[i], 2.0);
        EXPECT_EQ(log[i].value, values[i]);
    }
}

TEST(SimDeviceLine, LongPausesBeforeArguments_StillCompleteTheCommand) {
    SimDevice dev(withPreload(Preload::Linear1));
    send(dev, {'r'}, 0s);
    EXPECT_TRUE(drain(dev, 5s).empty());
    send(dev, {30}, 5s);
    EXPECT_EQ(valuesOf(drain(dev, 6s)), std::vector<std::uint8_t>{3});

    send(dev, {'d'}, 10s);
    send(dev, {0}, 20s);
    EXPECT_TRUE(drain(dev, 30s).empty());
    send(dev, {2}, 30s);
    EXPECT_EQ(valuesOf(drain(dev, 31s)), bytesOf(dev.memory().page(2)));
}

TEST(SimDeviceCommands, EachCommand_RepliesWithItsLengthAndContent) {
    struct Case {
        std::string name;
        std::vector<std::uint8_t> request;
        std::size_t replyBytes;
        std::optional<std::vector<std::uint8_t>> content;  // when it does not move with time
    };
    const std::vector<std::uint8_t> none;
    const Case cases[] = {
        {"probe", {'f'}, 1, std::vector<std::uint8_t>{102}},
        {"read byte", {'r', 30}, 1, std::vector<std::uint8_t>{3}},
        {"write byte", {'p', 200, 77}, 0, none},
        {"write then read", {'p', 200, 77, 'r', 200}, 1, std::vector<std::uint8_t>{77}},
        {"angles", {'A'}, 4, std::nullopt},
        {"accelerations", {'a'}, 6, std::nullopt},
        {"first page", {'d', 0, 0}, 264, std::nullopt},
        {"last page", {'d', 7, 255}, 264, std::nullopt},
        {"firmware version", {'l'}, 2, std::nullopt},
        {"sampling frequency", {'m'}, 2, std::vector<std::uint8_t>{0, 150}},
        {"frequency at 7.5 Hz", {'p', 102, 75, 'm'}, 2, std::vector<std::uint8_t>{0, 75}},
        {"frequency, other cell", {'p', 102, 74, 'm'}, 2, std::vector<std::uint8_t>{0, 150}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimDevice dev(withPreload(Preload::Linear3));
        for (const auto b : c.request) {
            dev.hostWrite(b, 0ns);
        }
        const auto reply = valuesOf(drain(dev, 1s));
        EXPECT_EQ(reply.size(), c.replyBytes);
        if (c.content) {
            EXPECT_EQ(reply, *c.content);
        }
    }
}

TEST(SimDeviceAttitude, AnglesAndAccelerations_MoveSlowlyWithinTheirRanges) {
    SimDevice dev(SimOptions{});
    std::vector<double> xs, ys;
    std::vector<int> accelX;
    for (int i = 0; i < 1200; ++i) {  // every 100 ms for two minutes
        const Nanos t = i * 100ms;
        send(dev, {'A', 'a'}, t);
        const auto r = valuesOf(drain(dev, t + 50ms));
        ASSERT_EQ(r.size(), 10u) << "at request " << i;
        xs.push_back(signedWord(r[0], r[1]) * 180.0 / 32767.0);
        ys.push_back(signedWord(r[2], r[3]) * 90.0 / 32767.0);
        for (std::size_t axis = 0; axis < 3; ++axis) {
            EXPECT_LE(r[4 + 2 * axis] * 256 + r[5 + 2 * axis], 1023);
        }
        accelX.push_back(r[4] * 256 + r[5]);
    }
    for (std::size_t i = 1; i < xs.size(); ++i) {
        EXPECT_LT(std::abs(xs[i] - xs[i - 1]), 5.0) << "X jumps at " << i;
        EXPECT_LT(std::abs(ys[i] - ys[i - 1]), 5.0) << "Y jumps at " << i;
    }
    // Two minutes see the logger tilt both ways on both axes.
    EXPECT_LT(*std::min_element(xs.begin(), xs.end()), -10.0);
    EXPECT_GT(*std::max_element(xs.begin(), xs.end()), 10.0);
    EXPECT_LT(*std::min_element(ys.begin(), ys.end()), -10.0);
    EXPECT_GT(*std::max_element(ys.begin(), ys.end()), 10.0);
    const auto [minA, maxA] = std::minmax_element(accelX.begin(), accelX.end());
    EXPECT_GT(*maxA - *minA, 50);
}

TEST(SimDeviceAttitude, TareEnabled_SubtractsTareWordsFromAngleWords) {
    const int tareX = 1024;
    const int tareY = 0xFF00;  // -256
    std::vector<std::uint8_t> replies[2];
    for (std::uint8_t enable = 0; enable < 2; ++enable) {
        SimDevice dev(SimOptions{});
        send(dev, {'p', 14, hi(tareX), 'p', 15, lo(tareX)}, 0ns);
        send(dev, {'p', 16, hi(tareY), 'p', 17, lo(tareY), 'p', 34, enable}, 0ns);
        send(dev, {'A'}, 3s);
        replies[enable] = valuesOf(drain(dev, 4s));
        ASSERT_EQ(replies[enable].size(), 4u);
    }
    const auto& raw = replies[0];
    const auto& tared = replies[1];
    EXPECT_EQ(signedWord(tared[0], tared[1]), signedWord(raw[0], raw[1]) - 1024);
    EXPECT_EQ(signedWord(tared[2], tared[3]), signedWord(raw[2], raw[3]) + 256);
}

TEST(SimDeviceErase, Erase_Sends2050ProgressBytesEvenlyOver8Seconds) {
    SimDevice dev(withPreload(Preload::Linear1));
    send(dev, {'e'}, 0ns);
    EXPECT_TRUE(dev.erasing(7900ms));
    const auto progress = drain(dev, 20s);
    EXPECT_EQ(progress.size(), 2050u);
    EXPECT_FALSE(dev.nextArrival().has_value());
    ASSERT_FALSE(progress.empty());
    EXPECT_GT(progress.back().at, 7500ms);
    EXPECT_LE(progress.back().at, 8002ms);  // the last one leaves as the erase ends
    for (Nanos w = 500ms; w < 7500ms; w += 250ms) {
        const auto inWindow = std::count_if(progress.begin(), progress.end(), [&](const auto& a) {
            return a.at >= w && a.at < w + 250ms;
        });
        EXPECT_GE(inWindow, 24) << "window at " << w.count();
        EXPECT_LE(inWindow, 100) << "window at " << w.count();
    }
    for (int p = 0; p < kFlashPages; ++p) {
        ASSERT_TRUE(allErased(dev.memory().page(p))) << "page " << p;
    }
}

TEST(SimDeviceErase, StartLoggingDuringErase_BeginsWhenTheEraseEnds) {
    SimDevice dev(withPreload(Preload::Linear1));  // linear, channel 1: one byte a sample
    send(dev, {'e'}, 0ns);
    send(dev, {'X'}, 2s);
    dev.advanceTo(7900ms);
    EXPECT_FALSE(dev.logging());
    dev.advanceTo(8100ms);
    EXPECT_TRUE(dev.logging());
    dev.advanceTo(18s);  // ten seconds at 15 Hz
    EXPECT_NEAR(static_cast<double>(loggedBytes(dev)), 150.0, 3.0);
}

TEST(SimDeviceLogging, StartLogging_WritesLinearSamplesAtTheCellsRateAndChannel) {
    struct Case {
        std::uint8_t channel;
        std::uint8_t rateCell;
        double bytesIn20s;
    };
    const Case cases[] = {{1, 15, 300}, {2, 15, 300}, {3, 15, 600}, {1, 75, 150}, {3, 75, 300}};
    for (const auto& c : cases) {
        SCOPED_TRACE("channel " + std::to_string(c.channel) + " rate " +
                     std::to_string(c.rateCell));
        SimDevice dev(SimOptions{});
        send(dev, {'p', 42, 1, 'p', 43, c.channel, 'p', 102, c.rateCell}, 0ns);
        send(dev, {'X'}, 1s);
        dev.advanceTo(21s);
        EXPECT_TRUE(dev.logging());
        EXPECT_NEAR(static_cast<double>(loggedBytes(dev)), c.bytesIn20s, 3.0);
    }
}

TEST(SimDeviceLogging, ChannelThree_InterleavesTheChannelOneAndTwoSamples) {
    std::vector<std::uint8_t> data[4];
    for (std::uint8_t channel = 1; channel <= 3; ++channel) {
        SimDevice dev(SimOptions{});
        send(dev, {'p', 43, channel}, 0ns);
        send(dev, {'X'}, 1s);
        dev.advanceTo(31s);
        const auto flash = std::span(dev.memory().flash).subspan(kFlashPageBytes);
        data[channel].assign(flash.begin(), flash.begin() + static_cast<long>(loggedBytes(dev)));
    }
    ASSERT_GE(data[1].size(), 400u);
    ASSERT_EQ(data[3].size(), 2 * data[1].size());
    ASSERT_EQ(data[2].size(), data[1].size());
    EXPECT_NE(data[1], data[2]);
    for (std::size_t i = 0; i < data[1].size(); ++i) {
        ASSERT_EQ(data[3][2 * i], data[1][i]) << "X of pair " << i;
        ASSERT_EQ(data[3][2 * i + 1], data[2][i]) << "Y of pair " << i;
    }
}

TEST(SimDeviceLogging, BinMode_WritesPairedHistogramPages) {
    SimDevice dev(SimOptions{});
    send(dev, {'p', 42, 0}, 0ns);
    send(dev, {'X'}, 1s);
    dev.advanceTo(101s);
    EXPECT_TRUE(dev.logging());
    auto countsIn = [&](int page) {
        long total = 0;
        const auto p = dev.memory().page(page);
        for (std::size_t i = 0; i < p.size(); i += 2) {
            total += p[i] * 256 + p[i + 1];
        }
        return total;
    };
    ASSERT_FALSE(startsErased(dev.memory().page(1)));
    ASSERT_FALSE(startsErased(dev.memory().page(2)));
    EXPECT_GT(countsIn(1), 0);
    EXPECT_EQ(countsIn(1), countsIn(2));  // one X and one Y histogram of the same samples
    EXPECT_NE(bytesOf(dev.memory().page(1)), bytesOf(dev.memory().page(2)));
}

}  // namespace
}  // namespace tilt::device
