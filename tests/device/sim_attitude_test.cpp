// The simulator's fixed attitude (tiltsim --attitude X,Y): parsing the option, and what a logger
// held still answers.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>

#include "device/device_memory.h"
#include "device/sim_line_helpers.h"
#include "device/sim_options.h"
#include "link/protocol.h"

namespace tilt::device {
namespace {

using namespace simtest;

TEST(AttitudeOption, XCommaY_GivesTheDegrees) {
    struct Case {
        const char* text;
        double x, y;
    };
    const Case cases[] = {
        {"30,-20", 30, -20},   {" 30 , -20 ", 30, -20}, {"-180,90", -180, 90},
        {"180,-90", 180, -90}, {"1e1,-2e1", 10, -20},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const FixedAttitude a = parseAttitude(c.text);
        EXPECT_DOUBLE_EQ(a.x, c.x);
        EXPECT_DOUBLE_EQ(a.y, c.y);
    }
}

TEST(AttitudeOption, WhatIsNoAttitude_IsRefusedNamingTheFault) {
    struct Case {
        const char* text;
        const char* says;
    };
    const Case cases[] = {
        {"30;-20", "X,Y in degrees"},
        {",-20", "not a number for the X angle"},
        {"30,", "not a number for the Y angle"},
        {"north,-20", "not a number for the X angle"},
        {"30,-20,5", "not a number for the Y angle"},
        {"180.1,0", "X angle must lie between -180 and 180"},
        {"-181,0", "X angle must lie between -180 and 180"},
        {"0,90.01", "Y angle must lie between -90 and 90"},
        {"0,-100", "Y angle must lie between -90 and 90"},
        {"nan,0", "X angle must lie between -180 and 180"},
        {"0,inf", "Y angle must lie between -90 and 90"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            (void)parseAttitude(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        }
    }
}

SimOptions heldAt(double x, double y) {
    SimOptions options;
    options.attitude = FixedAttitude{x, y};
    return options;
}

Bytes askAt(SimDevice& dev, std::uint8_t command, Nanos at) {
    send(dev, {command}, at);
    return valuesOf(drain(dev, at + 100ms));
}

TEST(FixedAttitude, AngleReplies_GiveTheAttitudeToOneDecimalWhateverTheTime) {
    struct Case {
        double x, y;
        int wordX, wordY;  // as received, 0 to 65535
    };
    const Case cases[] = {
        {30, -20, 5461, 65536 - 7282},        {0, 0, 0, 0},
        {180, -90, 32767, 65536 - 32767},     {-180, 90, 65536 - 32767, 32767},
        {12.34, -56.78, 2246, 65536 - 20672},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        SimDevice dev(heldAt(c.x, c.y));
        for (const Nanos at : {Nanos{0}, Nanos{10s}, Nanos{250s}}) {
            const auto reading = link::decodeAngles(askAt(dev, 'A', at));
            ASSERT_TRUE(reading.has_value());
            EXPECT_EQ(reading->wordX, c.wordX);
            EXPECT_EQ(reading->wordY, c.wordY);
            EXPECT_NEAR(reading->angleX, c.x, 0.05 + 1e-9);
            EXPECT_NEAR(reading->angleY, c.y, 0.05 + 1e-9);
        }
    }
}

// Offset + gain × g with the factory calibration (offsets 323, 408, 322; gains 323, 324, 322),
// worked out by hand, give or take the one count of noise.
TEST(FixedAttitude, AccelerometerCounts_FollowTheAttitudeWithinTheOneCountOfNoise) {
    struct Case {
        double x, y;
        double counts[3];
    };
    const Case cases[] = {{30, -20, {212.53, 255.77, 584.04}},
                          {0, 0, {323, 408, 644}},
                          {-90, 45, {551.40, 637.10, 322}},
                          {180, -90, {0, 408, 322}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        SimDevice dev(heldAt(c.x, c.y));
        for (int n = 0; n < 40; ++n) {
            const auto reading = link::decodeAccelerations(askAt(dev, 'a', Nanos{n * 700ms}));
            ASSERT_TRUE(reading.has_value());
            const int counts[3] = {reading->x, reading->y, reading->z};
            for (int axis = 0; axis < 3; ++axis) {
                EXPECT_LE(std::abs(counts[axis] - c.counts[axis]), 1.5) << "axis " << axis;
            }
        }
    }
}

TEST(FixedAttitude, Logging_RecordsTheHeldAttitude) {
    SimDevice dev(heldAt(30, -20));  // the factory set-up logs X and Y (channel 3)
    send(dev, {'X'}, 0s);
    dev.advanceTo(3s);
    const auto data = std::span(dev.memory().flash).subspan(kFlashPageBytes, 2 * 30);
    for (std::size_t i = 0; i < data.size(); i += 2) {
        EXPECT_EQ(data[i], 21) << "sample " << i / 2;            // 30 / 180 × 128
        EXPECT_EQ(data[i + 1], 255 - 28) << "sample " << i / 2;  // 20 / 90 × 128, negative
    }
}

// The desktop program's simulated device passes no attitude: it must keep moving.
TEST(FixedAttitude, WithoutOne_TheLoggerMoves) {
    SimDevice dev(SimOptions{});
    const Bytes first = askAt(dev, 'A', 0s);
    const Bytes later = askAt(dev, 'A', 10s);
    ASSERT_EQ(first.size(), 4u);
    EXPECT_NE(first, later);
}

}  // namespace
}  // namespace tilt::device
