#include "logging/download_parameters.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "device/device_memory.h"
#include "support/recording_errors.h"
#include "support/sim_bench.h"

namespace tilt::logging {
namespace {

using testing::SimBench;

ParameterOutcome query(SimBench& bench, std::string_view separator = ".") {
    testing::RecordingErrors errors;
    return readRecordingHeader(bench.job(errors, "DownloadErase"), separator);
}

TEST(DownloadParameters, FourQueriesWithTheirBytesAndPauses) {
    SimBench bench(testing::recording(device::Preload::Linear3));
    std::vector<int> steps;
    testing::RecordingErrors errors;
    const auto start = bench.clock.now();
    const auto outcome = readRecordingHeader(bench.job(errors, "DownloadErase"), ".", {},
                                             [&](int done) { steps.push_back(done); });
    ASSERT_FALSE(outcome.failed);
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_FALSE(bench.link.isOpen());

    std::vector<std::uint8_t> expected = {'r', 42, 'r', 43, 'l', 'm'};
    for (int a = 100; a <= 109; ++a) {
        expected.insert(expected.end(), {'r', static_cast<std::uint8_t>(a)});
    }
    for (int a = 2; a <= 17; ++a) {
        expected.insert(expected.end(), {'r', static_cast<std::uint8_t>(a)});
    }
    EXPECT_EQ(bench.receivedBytes(), expected);
    const auto rx = bench.received();
    // 250 ms before the mode reads, 250 ms after each mode cell, 500 ms after 'l' and 'm',
    // 100 ms after each header cell.
    EXPECT_NEAR(rx[0].ms, 250.5, 0.1);
    EXPECT_NEAR(rx[2].ms - rx[1].ms, 250, 0.6);
    EXPECT_NEAR(rx[5].ms - rx[4].ms, 500, 0.6);
    EXPECT_NEAR(rx[8].ms - rx[7].ms, 100, 0.6);
    const double total = bench.msSince(start);
    EXPECT_NEAR(total, 250 + 2 * 262 + 2 * 500 + 26 * 112, 5);
}

// Read as tiltctl reads them: the same requests, each pause ended by its reply, no lead-in,
// every query asked twice; and on a silent line no pause is longer than its whole, and the
// silence is no failed port.
TEST(DownloadParameters, UntilReply_SameRequestsConfirmedInAFractionOfTheTime) {
    const auto options = testing::recording(device::Preload::Linear3);
    SimBench fixed(options);
    SimBench quick(options);
    testing::RecordingErrors errors;
    const auto fixedStart = fixed.clock.now();
    const auto once = readRecordingHeader(fixed.job(errors, "DownloadErase"), ".");
    const double fixedMs = fixed.msSince(fixedStart);
    const auto quickStart = quick.clock.now();
    const auto twice = readRecordingHeader(quick.job(errors, "DownloadErase"), ".",
                                           {.asks = 16, .untilReply = true});
    const double quickMs = quick.msSince(quickStart);
    ASSERT_FALSE(once.failed);
    ASSERT_FALSE(twice.failed);
    EXPECT_EQ(twice.header.launchTime, once.header.launchTime);
    EXPECT_EQ(twice.header.tares + twice.header.channelGains,
              once.header.tares + once.header.channelGains);
    // Each query's requests twice in a row: the mode cells, 'l' 'm', ten and sixteen cells.
    const auto single = fixed.receivedBytes();
    std::vector<std::uint8_t> doubled;
    std::size_t from = 0;
    for (const std::size_t length : {4U, 2U, 20U, 32U}) {
        for (int ask = 0; ask < 2; ++ask) {
            doubled.insert(doubled.end(), single.begin() + static_cast<std::ptrdiff_t>(from),
                           single.begin() + static_cast<std::ptrdiff_t>(from + length));
        }
        from += length;
    }
    ASSERT_EQ(from, single.size());
    EXPECT_EQ(quick.receivedBytes(), doubled);
    // Each 'r' costs its 12 ms argument pause, then the two bytes out and one back.
    const double cellMs = 12 + 3 * 10.0 / 19.2 + 1;
    EXPECT_LT(quickMs, 2 * 30 * cellMs + 100) << "fixed pauses took " << fixedMs << " ms";
    EXPECT_TRUE(errors.reports.empty());

    SimBench silent;
    const auto none = static_cast<std::int16_t>(silent.catalogue.addSilentPort("ttyS1"));
    const auto silentStart = silent.clock.now();
    const auto nothing =
        readRecordingHeader(link::JobScope(silent.link, none, errors, "DownloadErase"), ".",
                            {.asks = 1, .untilReply = true});
    EXPECT_EQ(nothing.failed, ParameterStep::Mode);
    EXPECT_FALSE(nothing.portFailed);
    const double silentMs = silent.msSince(silentStart);
    // Each ask: two cells of 262 ms at most, then 3 ms of quiet line before the count.
    constexpr double kSilentAskMs = 2 * 262 + 3;
    EXPECT_NEAR(silentMs, kSilentAskMs, 1) << "the whole pauses, no longer";

    // An ask after one that got no whole answer keeps the lead-in, for a logger that needs it.
    const auto twiceStart = silent.clock.now();
    (void)readRecordingHeader(link::JobScope(silent.link, none, errors, "DownloadErase"), ".",
                              {.asks = 2, .untilReply = true});
    const double twiceMs = silent.msSince(twiceStart);
    EXPECT_NEAR(twiceMs, kSilentAskMs + 250 + kSilentAskMs, 1);
    EXPECT_TRUE(errors.reports.empty());
}

TEST(DownloadParameters, DecodeTheDeviceValuesIntoHeaderTexts) {
    SimBench bench;
    auto& e = bench.memory().eeprom;
    e[42] = 1;
    e[43] = 3;
    e[100] = 0x1E;  // serial number 7890
    e[101] = 0xD2;
    const std::uint8_t launch[] = {3, 7, 234, 9, 5, 7, 3};  // 3 March 2026, 09:05:07
    std::copy(std::begin(launch), std::end(launch), e.begin() + 103);
    const std::uint8_t words[] = {1, 67, 1, 152, 1, 66, 2, 0, 2, 1, 2, 2, 0, 0, 255, 255};
    std::copy(std::begin(words), std::end(words), e.begin() + 2);
    const auto outcome = query(bench, ",");
    ASSERT_FALSE(outcome.failed);
    const auto& p = outcome.header;
    EXPECT_EQ(p.mode, RecordingMode::Linear);
    EXPECT_EQ(p.channel, LinearChannel::Both);
    EXPECT_EQ(p.firmwareVersion, "2,15");
    EXPECT_EQ(p.samplingFrequency, "15");
    EXPECT_EQ(p.serialNumber, 7890);
    EXPECT_EQ(p.launchTime, "03/03/2026 09:05:07");
    EXPECT_EQ(p.channelGains, "X=323 Y=408 Z=322");
    EXPECT_EQ(p.channelOffsets, "X=512 Y=513 Z=514");
    EXPECT_EQ(p.tares, "X=0 Y=65535");
}

TEST(DownloadParameters, QuotientText_HasNoTrailingZerosAndTheUsersSeparator) {
    // A separator of another script is more than one byte of UTF-8.
    for (const auto& [value, sep, text] : {std::tuple{1.5, ".", "1.5"},
                                           {2.0, ".", "2"},
                                           {0.5, ",", "0,5"},
                                           {0.0, ".", "0"},
                                           {0.25, "\u066B", "0\u066B25"},
                                           {65.535, ".", "65.535"}}) {
        EXPECT_EQ(quotientText(value, sep), text) << value;
    }
}

TEST(DownloadParameters, DeviceFallingSilent_FailsAtThatStepAndSkipsTheRest) {
    // Silent from 2 s to 3 s: the firmware query ends at about 1.8 s, the serial number and
    // launch time replies fall into the silence.
    device::SimOptions options;
    options.faults.silenceEvery = link::ms(2000);
    options.faults.silenceLength = link::ms(1000);
    SimBench bench(options);
    const auto outcome = query(bench);
    ASSERT_TRUE(outcome.failed);
    EXPECT_EQ(*outcome.failed, ParameterStep::Header1);
    EXPECT_EQ(parameterFailureMessage(*outcome.failed),
              "Download HEADER(1) parameters were not retrieved! Download failed!");
    EXPECT_EQ(bench.receivedBytes().size(), 6U + 20U) << "header 2 was never asked";
    EXPECT_FALSE(bench.link.isOpen());
}

TEST(DownloadParameters, FailedPort_IsReportedOnceAndNotAskedAgain) {
    // Another program holds the port: the first open fails, and asking 16 times would only
    // tell the user 16 times.
    SimBench busy;
    link::DeviceLink other(busy.catalogue);
    other.setPort(busy.port);
    other.open();
    testing::RecordingErrors errors;
    const auto held = readRecordingHeader(busy.job(errors, "DownloadErase"), ".", {.asks = 16});
    EXPECT_EQ(held.failed, ParameterStep::Mode);
    EXPECT_TRUE(held.portFailed);
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].source, "OpenCommPort");
    EXPECT_EQ(errors.reports[0].description.rfind("sim is in use by another program", 0), 0U)
        << errors.reports[0].description;
    EXPECT_TRUE(busy.receivedBytes().empty());

    // The adapter pulled out between two queries: one report, under the query that met it.
    SimBench pulled;
    errors.reports.clear();
    const auto lost =
        readRecordingHeader(pulled.job(errors, "DownloadErase"), ".", {.asks = 16}, [&](int done) {
            if (done == 2) {
                pulled.catalogue.line(pulled.port)->unplug();
            }
        });
    EXPECT_EQ(lost.failed, ParameterStep::Header1);
    EXPECT_TRUE(lost.portFailed);
    ASSERT_EQ(errors.reports.size(), 1U);
    EXPECT_EQ(errors.reports[0].number, errc::kInvalidPortNumber) << "gone at the next open";
}

}  // namespace
}  // namespace tilt::logging
