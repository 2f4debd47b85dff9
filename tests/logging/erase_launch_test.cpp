#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "common/error.h"
#include "device/device_memory.h"
#include "link/protocol.h"
#include "logging/erase.h"
#include "logging/launch.h"
#include "support/recording_errors.h"
#include "support/sim_bench.h"

namespace tilt::logging {
namespace {

using ::testing::HasSubstr;
using testing::SimBench;

// Each test's error reports.
struct Erase : ::testing::Test {
    testing::RecordingErrors errors;
};
using Launch = Erase;

// A logger holding ten pages.
device::SimOptions recorded() {
    return testing::recording(device::Preload::Linear1, 10);
}

TEST_F(Erase, CountsProgressBytesEveryHalfSecondUntil2050HaveCome) {
    SimBench bench(recorded());
    std::vector<std::size_t> counts;
    const auto end = eraseMemory(bench.job(errors, "DownloadErase"), {},
                                 [&](const EraseProgress& p) { counts.push_back(p.waiting); });
    EXPECT_EQ(end, EraseEnd::Completed);
    EXPECT_EQ(bench.receivedBytes(), std::vector<std::uint8_t>{'e'});
    ASSERT_GE(counts.size(), 16U);  // about 8 s of erase at two ticks a second
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end())) << "nothing reads them";
    EXPECT_LT(counts[counts.size() - 2], 2050U);
    EXPECT_GE(counts.back(), 2050U);
    EXPECT_TRUE(device::DeviceMemory{}.flash == bench.memory().flash) << "the memory is erased";
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Erase, LoggerFallingSilent_EndsTheEraseAtTheLimit_ElseTheUsersStopHaltsIt) {
    // The logger stops answering 3 s into the erase, for a minute.
    auto options = recorded();
    options.faults.silenceEvery = link::ms(3000);
    options.faults.silenceLength = link::ms(60000);
    SimBench bench(options);
    EraseOptions limited;
    limited.giveUpAfterSilence = link::ms(5000);
    std::vector<EraseProgress> ticks;
    const auto end = eraseMemory(bench.job(errors, "DownloadErase"), limited,
                                 [&](const EraseProgress& p) { ticks.push_back(p); });
    EXPECT_EQ(end, EraseEnd::Stalled);
    ASSERT_FALSE(ticks.empty());
    EXPECT_GE(ticks.back().sinceLastByte, link::ms(5000));
    EXPECT_LT(ticks.back().sinceLastByte, link::ms(5500)) << "ended at the first tick past it";
    EXPECT_LT(ticks.back().waiting, 2050U);
    EXPECT_EQ(ticks.front().sinceLastByte, link::Nanos(0)) << "bytes came at first";
    EXPECT_FALSE(bench.link.isOpen());

    // Without a limit the user decides: it runs on, telling how long it has been silent, until
    // a stop halts it at once without sending anything more.
    SimBench watched(options);
    std::stop_source& stop = watched.stoppable();
    link::Nanos longest{0};
    const auto halted =
        eraseMemory(watched.job(errors, "DownloadErase"), {}, [&](const EraseProgress& p) {
            longest = std::max(longest, p.sinceLastByte);
            if (p.sinceLastByte >= link::ms(30000)) {
                stop.request_stop();
            }
        });
    EXPECT_EQ(halted, EraseEnd::Halted);
    EXPECT_GE(longest, link::ms(30000));
    EXPECT_LT(longest, link::ms(30500)) << "a tick after the stop";
    EXPECT_EQ(watched.receivedBytes(), std::vector<std::uint8_t>{'e'});
    EXPECT_FALSE(watched.link.isOpen());
    EXPECT_TRUE(errors.reports.empty());
}

TEST_F(Erase, AdapterPulledOut_EndsItWithOneReport) {
    SimBench bench(recorded());
    int ticks = 0;
    const auto end = eraseMemory(bench.job(errors, "DownloadErase"), {}, [&](const EraseProgress&) {
        if (++ticks == 2) {
            bench.catalogue.line(bench.port)->unplug();
        }
    });
    EXPECT_EQ(end, EraseEnd::Failed);
    EXPECT_EQ(ticks, 2);
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].source, "TimerErase_Timer");
    EXPECT_EQ(errors.reports[0].number, errc::kPortLost);
}

TEST_F(Launch, LaunchTimeCellsTakeTheDateWithTheMonthLast) {
    setenv("TZ", "UTC", 1);
    tzset();
    // 3 March 2026, 09:05:07 UTC.
    const auto when = std::chrono::system_clock::from_time_t(1772528707);
    const LaunchStamp stamp = launchStampOf(when);
    SimBench bench;
    const std::uint8_t rate = bench.memory().eeprom[102];
    ASSERT_TRUE(writeLaunchTime(bench.job(errors, "Main"), stamp));
    const std::vector<std::uint8_t> expected = {'p', 103, 3,   'p', 104, 7,   'p',
                                                105, 234, 'p', 106, 9,   'p', 107,
                                                5,   'p', 108, 7,   'p', 109, 3};
    EXPECT_EQ(bench.receivedBytes(), expected);
    const auto rx = bench.received();
    for (std::size_t i = 1; i < rx.size(); ++i) {
        EXPECT_NEAR(rx[i].ms - rx[i - 1].ms, 12.5, 0.6) << i;
    }
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_EQ(bench.memory().eeprom[102], rate) << "102 is not written";
    EXPECT_EQ(bench.memory().eeprom[109], 3);
}

TEST_F(Launch, StampsErasesStartsLoggingAndEndsWhenTheProgressStops) {
    SimBench bench(recorded());
    std::vector<double> pages;
    const auto result =
        launchLogging(bench.job(errors, "Main"), [&](double page) { pages.push_back(page); });
    EXPECT_EQ(result.end, LaunchEnd::Launched);
    EXPECT_FALSE(result.portLost);
    EXPECT_EQ(result.progressBytes, link::kEraseProgressBytes);
    const auto rx = bench.received();
    ASSERT_EQ(rx.size(), 21U + 2U);
    EXPECT_EQ(rx[21].value, 'e');
    EXPECT_EQ(rx[22].value, 'X');
    EXPECT_NEAR(rx[22].ms - rx[21].ms, 1000.5, 0.6);
    ASSERT_FALSE(pages.empty());
    EXPECT_TRUE(std::is_sorted(pages.begin(), pages.end()));
    EXPECT_LE(pages.back(), 2047);
    EXPECT_GT(pages.back(), 600) << "about (2050 - 2 a tick) / 3";
    EXPECT_TRUE(bench.catalogue.line(bench.port)->withDevice([](device::SimDevice* d) {
        return d->logging();
    }));
    EXPECT_FALSE(bench.link.isOpen());
}

TEST_F(Launch, SilentDevice_EndsAtTheFirstTick_ErasedPagesKeepToTheMemory) {
    SimBench bench;
    const auto silent = static_cast<std::int16_t>(bench.catalogue.addSilentPort("ttyS1"));
    int ticks = 0;
    const auto start = bench.clock.now();
    EXPECT_EQ(
        launchLogging(link::JobScope(bench.link, silent, errors, "Main"), [&](double) { ++ticks; })
            .end,
        LaunchEnd::Launched);
    EXPECT_EQ(ticks, 0);
    EXPECT_NEAR(bench.msSince(start), 21 * 12 + 1000 + 250, 5);

    EXPECT_EQ(erasedPagesOf(6), 2);
    EXPECT_EQ(erasedPagesOf(7.5), 2) << "2.5 rounds to even";
    EXPECT_EQ(erasedPagesOf(10.5), 4) << "3.5 rounds to even";
    EXPECT_EQ(erasedPagesOf(9000), 2047);
}

// A logger that falls silent half-way through the launch's erase: the launch ends as it would,
// and its message says that the progress stopped short.
TEST_F(Launch, ProgressStoppingHalfWay_IsNamedAfterTheDisconnectMessage) {
    SimBench bench(recorded());
    bench.catalogue.line(bench.port)->withDevice([&](device::SimDevice* d) {
        d->silenceBetween(bench.clock.now() + link::ms(3000), bench.clock.now() + link::ms(60000));
    });
    const LaunchResult result = launchLogging(bench.job(errors, "Main"), {});
    EXPECT_EQ(result.end, LaunchEnd::Launched);
    EXPECT_GT(result.progressBytes, 0U);
    EXPECT_LT(result.progressBytes, link::kEraseProgressBytes);
    const std::string message = launchEndMessage(result);
    EXPECT_TRUE(message.starts_with("Disconnect the serial cable from the Tiltavarometer!"));
    EXPECT_THAT(message,
                HasSubstr("\r\nThe logger's erase stopped at about page " +
                          std::to_string(result.progressBytes) + " of 2048, and it fell silent."));
    EXPECT_TRUE(errors.reports.empty());
}

// The adapter pulled out at each step of a launch: the user hears what became of the memory,
// and only a tick's failure goes to the error handler.
TEST_F(Launch, AdapterPulledOut_SaysWhetherTheMemoryWasErased) {
    struct Case {
        std::size_t writesBeforeLoss;  // of 21 stamp bytes, 'e' and 'X'
        LaunchEnd end;
        bool eraseSent, loggingSent;
        const char* firstLine;  // of the message
        const char* memory;     // what the message says of the memory
        std::size_t reports;
    };
    const Case cases[] = {
        {5, LaunchEnd::LaunchTimeFailed, false, false,
         "Launch Time write to EEPROM failed! Launch did not occur.", "was not erased", 0},
        {22, LaunchEnd::Failed, true, false, "Tiltavarometer failed to launch!",
         "its memory is erased, and it is not logging", 0},
        {23, LaunchEnd::TickFailed, true, true, "The connection to the logger was lost",
         "it logs once its erase is done", 1},
    };
    for (const Case& c : cases) {
        SimBench bench(recorded());
        bench.catalogue.line(bench.port)->unplugAfterWrites(c.writesBeforeLoss);
        errors.reports.clear();
        const LaunchResult result = launchLogging(bench.job(errors, "Main"), {});
        EXPECT_EQ(result.end, c.end) << c.writesBeforeLoss;
        EXPECT_TRUE(result.portLost);
        EXPECT_EQ(result.eraseSent, c.eraseSent);
        EXPECT_EQ(result.loggingSent, c.loggingSent);
        const std::string message = launchEndMessage(result);
        EXPECT_TRUE(message.starts_with(c.firstLine)) << message;
        EXPECT_THAT(message, HasSubstr(c.memory));
        ASSERT_EQ(errors.reports.size(), c.reports) << c.writesBeforeLoss;
        if (c.reports > 0) {
            EXPECT_EQ(errors.reports[0].number, errc::kPortLost);
            EXPECT_EQ(errors.reports[0].source, "Timer1_Timer");
        }
        EXPECT_FALSE(bench.link.isOpen());
        EXPECT_EQ(bench.receivedBytes().size(), c.writesBeforeLoss);
    }
}

}  // namespace
}  // namespace tilt::logging
