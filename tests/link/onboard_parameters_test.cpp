#include "link/onboard_parameters.h"

#include <gtest/gtest.h>

#include "device/device_memory.h"
#include "support/recording_errors.h"
#include "support/sim_bench.h"

namespace tilt::link {
namespace {

using testing::SimBench;

TEST(OnBoardParameters, ReadsFiveCellsWithTheirPausesAndClosesThePort) {
    SimBench bench;
    testing::RecordingErrors errors;
    const auto parameters = readOnBoardParameters(bench.job(errors, "Connect"));
    ASSERT_TRUE(parameters);
    EXPECT_EQ(parameters->updateTimeIncrement, 3);
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_TRUE(errors.reports.empty());

    const auto received = bench.received();
    const std::vector<std::uint8_t> expected = {'r', 14, 'r', 15, 'r', 16, 'r', 17, 'r', 30};
    ASSERT_EQ(bench.receivedBytes(), expected);
    for (std::size_t i = 1; i < received.size(); ++i) {
        const double gap = received[i].ms - received[i - 1].ms;
        // 12 ms between command and address, 250 ms after the address (plus the byte time).
        EXPECT_NEAR(gap, i % 2 == 1 ? 12.0 : 250.0, 0.6) << "gap before byte " << i;
    }
}

// How a word turns into degrees is decodeAngles' to test (the same conversion); here, which cells
// hold each tare and that each has its axis's scale.
TEST(OnBoardParameters, DecodesTareWordsFromTheirCellsOnTheirAxissScale) {
    SimBench bench;
    auto& eeprom = bench.memory().eeprom;
    eeprom[device::cell::kTareX] = 0x40;
    eeprom[device::cell::kTareX + 1] = 0x00;
    eeprom[device::cell::kTareY] = 0x00;
    eeprom[device::cell::kTareY + 1] = 0x5B;
    eeprom[device::cell::kUpdateTimeIncrement] = 255;
    testing::RecordingErrors errors;
    const auto p = readOnBoardParameters(bench.job(errors, "Connect"));
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->tareX, 90.0);
    EXPECT_DOUBLE_EQ(p->tareY, 0.2);  // 91 counts: 0.5 degrees on the X scale
    EXPECT_EQ(p->updateTimeIncrement, 255);
}

TEST(OnBoardParameters, FourRepliesOfFive_PulledAdapter_SilentPortOrMissingPort_AreNoParameters) {
    // The device falls silent one second after power-up: the fifth reply never comes.
    device::SimOptions tiring;
    tiring.faults.silenceEvery = ms(1000);
    tiring.faults.silenceLength = ms(300);
    SimBench fourOfFive(tiring);
    testing::RecordingErrors errors;
    EXPECT_FALSE(readOnBoardParameters(fourOfFive.job(errors, "Connect")));
    EXPECT_EQ(fourOfFive.receivedBytes().size(), 10U);
    EXPECT_FALSE(fourOfFive.link.isOpen());

    // The adapter pulled out after two of the reads: no parameters, and no report either.
    SimBench pulled;
    pulled.catalogue.line(pulled.port)->unplugAfterWrites(4);
    EXPECT_FALSE(readOnBoardParameters(pulled.job(errors, "Connect")));
    EXPECT_FALSE(pulled.link.isOpen());

    SimBench bench;
    const auto silent = static_cast<std::int16_t>(bench.catalogue.addSilentPort("ttyS1"));
    EXPECT_FALSE(readOnBoardParameters(JobScope(bench.link, silent, errors, "Connect")));
    EXPECT_FALSE(readOnBoardParameters(JobScope(bench.link, 9, errors, "Connect")));
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_TRUE(errors.reports.empty()) << "a failed probe is not an error";
}

TEST(OnBoardParameters, StopRequest_EndsTheReadsEarlyWithoutParameters) {
    SimBench bench;
    bench.stoppable().request_stop();
    testing::RecordingErrors errors;
    const auto start = bench.clock.now();
    EXPECT_FALSE(readOnBoardParameters(bench.job(errors, "Connect")));
    EXPECT_LT(bench.clock.now() - start, ms(100));
    EXPECT_TRUE(bench.received().empty()) << "no command goes out once stopped";
    EXPECT_FALSE(bench.link.isOpen());
}

}  // namespace
}  // namespace tilt::link
