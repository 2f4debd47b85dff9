#include "device/sim_device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "device/sim_line_helpers.h"
#include "support/sim_bench.h"

namespace tilt::device {
namespace {

using namespace simtest;

// Number of bytes written after page 0: everything up to the last byte that is not 0xFF.
std::size_t loggedBytes(const SimDevice& device) {
    const auto data = std::span(device.memory().flash).subspan(kFlashPageBytes);
    const auto last = std::find_if(data.rbegin(), data.rend(), [](auto b) { return b != 0xFF; });
    return static_cast<std::size_t>(data.rend() - last);
}

TEST(SimDeviceLine, PageRequest_StartsWithin1msAndStreamsAtLineSpeed) {
    SimDevice dev(testing::recording(Preload::Linear1));
    send(dev, {'d', 0, 1}, 0ns);
    const auto reply = drain(dev, 2s);
    ASSERT_EQ(reply.size(), kFlashPageBytes);
    EXPECT_EQ(valuesOf(reply), bytesOf(dev.memory().page(1)));
    const double start = static_cast<double>(reply.front().at.count()) - kByteNanos;
    EXPECT_GE(start, 3 * kByteNanos - 1.0);  // after the three request bytes
    EXPECT_LE(start, 3 * kByteNanos + 1e6);
    for (std::size_t k = 0; k < reply.size(); ++k) {
        EXPECT_NEAR(static_cast<double>(reply[k].at.count()) - start,
                    static_cast<double>(k + 1) * kByteNanos, 1000.0)
            << "byte " << k;
    }
}

TEST(SimDeviceLine, PaceOff_ReplyArrivesAtTheRequestInstant) {
    SimOptions o = testing::recording(Preload::Linear2);
    o.pace = false;
    SimDevice dev(o);
    send(dev, {'d', 0, 3}, 5ms);
    EXPECT_EQ(dev.nextArrival(), Nanos{5ms});
    EXPECT_EQ(dev.takeArrived(5ms), bytesOf(dev.memory().page(3)));
}

TEST(SimDeviceCommands, EachCommand_RepliesWithItsLengthAndContent) {
    struct Case {
        const char* name;
        Bytes request;
        std::size_t replyBytes;
        Bytes content;    // checked when given: it does not move with time
        Nanos gap = 0ns;  // between the request bytes
    };
    const Case cases[] = {
        {"probe", {'f'}, 1, Bytes{102}},
        {"read byte", {'r', 30}, 1, Bytes{3}},
        {"read byte, 5 s pause", {'r', 30}, 1, Bytes{3}, 5s},
        {"write then read", {'p', 200, 77, 'r', 200}, 1, Bytes{77}},
        {"angles", {'A'}, 4, {}},
        {"accelerations", {'a'}, 6, {}},
        {"last page", {'d', 7, 255}, 264, {}},
        {"page, 10 s pauses", {'d', 0, 2}, 264, {}, 10s},
        {"firmware version", {'l'}, 2, {}},
        {"sampling frequency", {'m'}, 2, Bytes{0, 150}},
        {"frequency at 7.5 Hz", {'p', 102, 75, 'm'}, 2, Bytes{0, 75}},
        {"frequency, other cell", {'p', 102, 74, 'm'}, 2, Bytes{0, 150}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SimDevice dev(testing::recording(Preload::Linear3));
        Nanos at = 0ns;
        for (const auto b : c.request) {
            dev.hostWrite(b, at);
            at += c.gap;
        }
        const auto reply = valuesOf(drain(dev, at + 1s));
        EXPECT_EQ(reply.size(), c.replyBytes);
        if (!c.content.empty()) {
            EXPECT_EQ(reply, c.content);
        }
    }
}

TEST(SimDeviceAttitude, TareEnabled_SubtractsTareWordsFromAngleWords) {
    Bytes replies[2];
    for (std::uint8_t enable = 0; enable < 2; ++enable) {
        SimDevice dev(SimOptions{});
        // Tare X = 1024 (0x0400), tare Y = -256 (0xFF00).
        send(dev, {'p', 14, 0x04, 'p', 15, 0x00, 'p', 16, 0xFF, 'p', 17, 0x00}, 0ns);
        send(dev, {'p', 34, enable}, 0ns);
        send(dev, {'A'}, 3s);
        replies[enable] = valuesOf(drain(dev, 4s));
        ASSERT_EQ(replies[enable].size(), 4u);
    }
    const auto& [raw, tared] = replies;
    EXPECT_EQ(signedWord(tared[0], tared[1]), signedWord(raw[0], raw[1]) - 1024);
    EXPECT_EQ(signedWord(tared[2], tared[3]), signedWord(raw[2], raw[3]) + 256);
}

TEST(SimDeviceErase, Erase_Sends2050ProgressBytesEvenlyOver8Seconds) {
    SimDevice dev(testing::recording(Preload::Linear1));
    send(dev, {'e'}, 0ns);
    EXPECT_TRUE(dev.erasing(7900ms));
    const auto progress = drain(dev, 20s);
    ASSERT_EQ(progress.size(), 2050u);
    EXPECT_FALSE(dev.nextArrival().has_value());
    EXPECT_GT(progress.back().at, 7500ms);
    EXPECT_LE(progress.back().at, 8002ms);  // the last one leaves as the erase ends
    for (Nanos w = 500ms; w < 7500ms; w += 250ms) {
        const auto inWindow = std::ranges::count_if(
            progress, [&](const auto& a) { return a.at >= w && a.at < w + 250ms; });
        EXPECT_GE(inWindow, 24) << "window at " << w.count();
        EXPECT_LE(inWindow, 100) << "window at " << w.count();
    }
    for (int p = 0; p < kFlashPages; ++p) {
        ASSERT_TRUE(allErased(dev.memory().page(p))) << "page " << p;
    }
}

TEST(SimDeviceErase, StartLoggingDuringErase_BeginsWhenTheEraseEnds) {
    SimDevice dev(testing::recording(Preload::Linear1));  // linear, channel 1: one byte a sample
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
        std::uint8_t channel, rateCell;
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

}  // namespace
}  // namespace tilt::device
