// The bytes and pauses of requests, as the simulated device receives them in virtual time.
#include <gtest/gtest.h>

#include "common/error.h"
#include "link/protocol.h"
#include "support/sim_bench.h"

namespace tilt::link {
namespace {

using testing::SimBench;

TEST(Requests, WordWrite_SendsHighThenLowWithTwelveMillisecondPauses) {
    SimBench bench;
    bench.link.open();
    requestWriteByte(bench.link, 62, 1000 / 256);
    bench.link.delay(100);
    requestWriteByte(bench.link, 63, 1000 & 255);
    const auto rx = bench.received();
    ASSERT_EQ(bench.receivedBytes(), (std::vector<std::uint8_t>{'p', 62, 3, 'p', 63, 232}));
    // Each byte crosses the line in the same time: the gaps between arrivals are the pauses.
    EXPECT_NEAR(rx[1].ms - rx[0].ms, 12.0, 0.01);
    EXPECT_NEAR(rx[2].ms - rx[1].ms, 12.0, 0.01);
    EXPECT_NEAR(rx[3].ms - rx[2].ms, 100.0, 0.01);
    EXPECT_EQ(bench.memory().word(62), 1000);
}

TEST(Requests, ValueThatDoesNotFitAByteOrAPageOutsideTheMemory_SendsNothing) {
    SimBench bench;
    bench.link.open();
    EXPECT_THROW(requestWriteByte(bench.link, 40, 300), Error);
    EXPECT_THROW(requestWriteByte(bench.link, 256, 1), Error);
    EXPECT_THROW(requestReadByte(bench.link, -1, 12), Error);
    // Pages that would fit the two bytes, and that the memory does not have.
    for (const std::int32_t page : {-1, -256, 2048, 65535, 70000}) {
        EXPECT_THROW(requestPage(bench.link, page), Error) << page;
    }
    EXPECT_TRUE(bench.received().empty());
    requestPage(bench.link, 2047);
    EXPECT_EQ(bench.receivedBytes(), (std::vector<std::uint8_t>{'d', 7, 255}));
}

// How fast the page streams is the simulated device's to test.
TEST(Requests, PageRequest_ThreeBytesThenAFullPage) {
    SimBench bench(testing::recording(device::Preload::Linear1, 3));
    bench.link.open();
    requestPage(bench.link, 258);  // beyond the recording: erased
    ASSERT_TRUE(bench.link.waitForBytes(kPageBytes, bench.link.now() + ms(1000)));
    EXPECT_TRUE(isErasedPage(bench.link.readAll()));

    requestPage(bench.link, 2);
    EXPECT_EQ(bench.receivedBytes(), (std::vector<std::uint8_t>{'d', 1, 2, 'd', 0, 2}));
    ASSERT_TRUE(bench.link.waitForBytes(kPageBytes, bench.link.now() + ms(1000)));
    const auto& page = bench.link.readAll();
    ASSERT_EQ(page.size(), kPageBytes);
    EXPECT_FALSE(isErasedPage(page));
}

TEST(Requests, StoppedOperation_StillSendsAWholeRequestWithItsPauses) {
    testing::SimBench bench;
    bench.stoppable().request_stop();
    bench.link.open();
    requestPage(bench.link, 300);
    const auto rx = bench.received();
    ASSERT_EQ(bench.receivedBytes(), (std::vector<std::uint8_t>{'d', 1, 44}));
    EXPECT_NEAR(rx[1].ms - rx[0].ms, 12.5, 0.6);
    EXPECT_NEAR(rx[2].ms - rx[1].ms, 12.5, 0.6);
}

}  // namespace
}  // namespace tilt::link
