#include "device/sim_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "device/sim_line_helpers.h"
#include "device/sim_transport.h"
#include "link/device_link.h"
#include "link/protocol.h"
#include "shell/error.h"

namespace tilt::device {
namespace {

using namespace simtest;
using ::testing::HasSubstr;

TEST(SimOptionsParse, FullFaultList_SetsEveryFault) {
    const FaultPlan f =
        parseFaultList("lose=0.01,extra=0.01,garble=0.001,short=0.01,silence=3s@every20s");
    EXPECT_DOUBLE_EQ(f.lose, 0.01);
    EXPECT_DOUBLE_EQ(f.extra, 0.01);
    EXPECT_DOUBLE_EQ(f.garble, 0.001);
    EXPECT_DOUBLE_EQ(f.shortReply, 0.01);
    EXPECT_EQ(f.silenceLength, Nanos{3s});
    EXPECT_EQ(f.silenceEvery, Nanos{20s});
    EXPECT_FALSE(parseFaultList("").any());
    EXPECT_TRUE(parseFaultList("garble=0.5").any());
}

TEST(SimOptionsParse, BadFaultList_ThrowsNamingTheProblem) {
    const std::pair<const char*, const char*> cases[] = {
        {"lose=2", "lose"},
        {"short=-0.1", "short"},
        {"lose=abc", "abc"},
        {"bogus=0.1", "bogus"},
        {"garble", "garble"},
        {"silence=3s", "@every"},
        {"silence=30s@every20s", "shorter"},
        {"silence=3x@every20s", "3x"},
    };
    for (const auto& [text, mention] : cases) {
        SCOPED_TRACE(text);
        try {
            (void)parseFaultList(text);
            ADD_FAILURE() << "accepted";
        } catch (const std::invalid_argument& e) {
            EXPECT_THAT(e.what(), HasSubstr(mention));
        }
    }
}

TEST(SimOptionsParse, Durations_AcceptSecondsAndMilliseconds) {
    const std::pair<const char*, Nanos> good[] = {
        {"3s", 3s},        {"250ms", 250ms}, {"1.5s", 1500ms},   {"0.1s", 100ms},
        {"2.3ms", 2300us}, {"0ms", 0ns},     {"1.001s", 1001ms}, {"1.003ms", 1003us},
    };
    for (const auto& [text, value] : good) {
        EXPECT_EQ(parseDuration(text), value) << text;
    }
    for (const char* bad : {"", "s", "ms", "3m", "-1s", "three s", "3 s"}) {
        EXPECT_THROW((void)parseDuration(bad), std::invalid_argument) << bad;
    }
}

TEST(SimOptionsParse, PreloadAndOnOff_AcceptTheirWordsOnly) {
    for (const Preload p :
         {Preload::Empty, Preload::Bin, Preload::Linear1, Preload::Linear2, Preload::Linear3}) {
        EXPECT_EQ(parsePreload(preloadName(p)), p);
    }
    EXPECT_EQ(parsePreload("linear2"), Preload::Linear2);
    try {
        (void)parsePreload("linear4");
        ADD_FAILURE() << "accepted linear4";
    } catch (const std::invalid_argument& e) {
        EXPECT_THAT(e.what(), HasSubstr("linear4"));
        EXPECT_THAT(e.what(), HasSubstr("bin"));
    }
    EXPECT_TRUE(parseOnOff("on"));
    EXPECT_FALSE(parseOnOff("off"));
    EXPECT_THROW((void)parseOnOff("yes"), std::invalid_argument);
}

// Virtual-time line with a recorded device on port 1 and a dead port 2.
struct SimLineFixture : ::testing::Test {
    link::SimClock clock;
    SimPortCatalogue catalogue{clock};
    int devicePort = catalogue.addDevice([] {
        SimOptions o;
        o.preload = Preload::Linear1;
        return o;
    }());
    int silentPort = catalogue.addSilentPort("dead");
};

TEST_F(SimLineFixture, WaitForBytes_JumpsTheClockToTheNthArrival) {
    link::DeviceLink link(catalogue);
    link.setPort(devicePort);
    link.open();
    link::requestPage(link, 1);
    const Nanos requestEnd =
        catalogue.line(devicePort)->withDevice([](SimDevice* d) { return d->rxLog().back().at; });
    const double lastByte = static_cast<double>(requestEnd.count()) + 264 * kByteNanos;

    ASSERT_TRUE(link.waitForBytes(264, clock.now() + 1s));
    EXPECT_GE(static_cast<double>(clock.now().count()), lastByte - 1000.0);
    EXPECT_LE(static_cast<double>(clock.now().count()), lastByte + 1e6);
    const auto page = catalogue.line(devicePort)->withDevice([](SimDevice* d) {
        return bytesOf(d->memory().page(1));
    });
    EXPECT_EQ(link.readAll(), page);

    const Nanos deadline = clock.now() + 500ms;
    EXPECT_FALSE(link.waitForBytes(1, deadline));
    EXPECT_EQ(clock.now(), deadline);

    link::requestReadByte(link, 43, 0);
    const Nanos asked = clock.now();
    ASSERT_TRUE(link.waitForBytes(1, asked + 1s));
    EXPECT_LT(clock.now(), asked + 2ms);
    EXPECT_EQ(link.readAll(), std::vector<std::uint8_t>{1});
}

TEST_F(SimLineFixture, SecondOpenOfABusyLine_Throws8005UntilClosed) {
    auto first = catalogue.transportFor(devicePort);
    auto second = catalogue.transportFor(devicePort);
    first->open();
    try {
        second->open();
        ADD_FAILURE() << "second open succeeded";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), errc::kPortAlreadyOpen);
    }
    first->close();
    EXPECT_NO_THROW(second->open());
}

TEST_F(SimLineFixture, UnknownPortNumber_Throws8002) {
    for (const int number : {0, -1, 3, 99}) {
        try {
            (void)catalogue.transportFor(number);
            ADD_FAILURE() << "port " << number << " accepted";
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), errc::kInvalidPortNumber) << number;
        }
    }
}

TEST_F(SimLineFixture, SilentPort_NeverAnswers) {
    link::DeviceLink link(catalogue);
    link.setPort(silentPort);
    link.open();
    link.sendByte(link::cmd::kProbe);
    const Nanos deadline = clock.now() + 2s;
    EXPECT_FALSE(link.waitForBytes(1, deadline));
    EXPECT_EQ(clock.now(), deadline);
    EXPECT_EQ(link.bytesWaiting(), 0u);
}

}  // namespace
}  // namespace tilt::device
