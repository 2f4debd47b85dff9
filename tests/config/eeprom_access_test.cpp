#include "config/eeprom_access.h"

#include <gtest/gtest.h>

#include "common/counting_errors.h"
#include "common/error.h"
#include "support/sim_bench.h"

namespace tilt::config {
namespace {

using testing::SimBench;

link::JobScope on(link::DeviceLink& link, std::int16_t port) {
    static CountingErrors errors;  // the cell operations throw: they report nothing
    return {link, port, errors, "EEPROM"};
}

TEST(EepromAccess, ReadsACellAHundredMillisecondsAfterTheRequest) {
    SimBench bench;
    const auto start = bench.clock.now();
    EXPECT_EQ(readEepromCell(on(bench.link, bench.port), 30), 3);
    EXPECT_EQ(bench.receivedBytes(), (std::vector<std::uint8_t>{'r', 30}));
    EXPECT_EQ(bench.clock.now() - start, link::ms(112));
    EXPECT_FALSE(bench.link.isOpen());
}

TEST(EepromAccess, WriteThenRead_RoundTrips) {
    SimBench bench;
    writeEepromCell(on(bench.link, bench.port), 40, 201);
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_EQ(bench.memory().eeprom[40], 201);
    EXPECT_EQ(readEepromCell(on(bench.link, bench.port), 40), 201);
}

TEST(EepromAccess, NoOrSurplusReply_IsNoValue) {
    device::SimOptions chatty;
    chatty.faults.extra = 1.0;
    SimBench twice(chatty);
    EXPECT_FALSE(readEepromCell(on(twice.link, twice.port), 30));

    link::SimClock clock;
    device::SimPortCatalogue catalogue(clock);
    const auto silent = static_cast<std::int16_t>(catalogue.addSilentPort("ttyS0"));
    link::DeviceLink link(catalogue);
    EXPECT_FALSE(readEepromCell(on(link, silent), 30));
    EXPECT_FALSE(link.isOpen());
}

TEST(EepromAccess, OutOfRangeInput_IsRefusedBeforeAnythingIsSent) {
    SimBench bench;
    for (const auto& [address, value] : {std::pair{40, 300}, {40, -1}, {256, 5}, {-3, 5}}) {
        EXPECT_THROW(writeEepromCell(on(bench.link, bench.port), address, value), Error);
    }
    EXPECT_THROW((void)readEepromCell(on(bench.link, bench.port), 263), Error);
    EXPECT_TRUE(bench.received().empty());
    EXPECT_FALSE(bench.link.isOpen());
}

TEST(EepromAccess, MissingPort_ThrowsItsError) {
    SimBench bench;
    try {
        (void)readEepromCell(on(bench.link, 5), 30);
        ADD_FAILURE() << "no error for a missing port";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), 8002);
    }
}

}  // namespace
}  // namespace tilt::config
