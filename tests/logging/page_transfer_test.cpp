#include "logging/page_transfer.h"

#include <gtest/gtest.h>

#include <map>

#include "device/device_memory.h"
#include "support/recording_errors.h"
#include "support/sim_bench.h"

namespace tilt::logging {
namespace {

using testing::recording;
using testing::SimBench;

// A transfer that keeps every page it was given.
struct Download {
    explicit Download(device::SimOptions options) : bench(std::move(options)) { bench.stoppable(); }

    TransferResult run(TransferOptions options = {}) {
        return transferPages(
            bench.job(errors, "DownloadErase"), options,
            [&](std::int32_t page, std::span<const std::uint8_t> bytes) {
                order.push_back(page);
                pages[page].assign(bytes.begin(), bytes.end());
                return page != refusedPage;
            },
            [&](const TransferProgress& p) {
                warnings += p.warning ? 1 : 0;
                if (onProgress) {
                    onProgress(p);
                }
                if (stopAfterPage && p.page > stopAfterPage) {
                    bench.stop.request_stop();
                }
            });
    }

    std::vector<std::uint8_t> memoryPage(int page) {
        const auto bytes = bench.memory().page(page);
        return {bytes.begin(), bytes.end()};
    }

    SimBench bench;
    testing::RecordingErrors errors;
    std::map<std::int32_t, std::vector<std::uint8_t>> pages;
    std::vector<std::int32_t> order;
    int warnings = 0;
    std::int32_t stopAfterPage = 0;
    std::int32_t refusedPage = -1;
    std::function<void(const TransferProgress&)> onProgress;
};

// Requests of pages made while the device was silent from `from` ms to `to` ms, in seconds.
std::vector<double> requestsDuring(Download& d, double from, double to) {
    std::vector<double> again;
    const auto rx = d.bench.received();
    for (std::size_t i = 0; i + 2 < rx.size(); i += 3) {
        if (rx[i].ms > from && rx[i].ms < to) {
            again.push_back(rx[i].ms / 1000);
        }
    }
    return again;
}

TEST(PageTransfer, RequestsPageAfterPageAndStopsAtTheFirstErasedPage) {
    Download d(recording(device::Preload::Linear1, 5));
    const auto result = d.run();
    EXPECT_EQ(result.end, TransferEnd::Completed);
    EXPECT_TRUE(result.endOfData);
    EXPECT_EQ(result.downloadPage, 6);
    EXPECT_EQ(d.order, (std::vector<std::int32_t>{1, 2, 3, 4, 5})) << "page 0 is never handed on";
    for (int page = 1; page <= 5; ++page) {
        EXPECT_EQ(d.pages[page], d.memoryPage(page)) << page;
    }
    const auto rx = d.bench.received();
    ASSERT_EQ(rx.size(), 7U * 3U);
    for (std::size_t i = 0; i < rx.size(); i += 3) {
        EXPECT_EQ(SimBench::valuesOf(rx, i, 3),
                  (std::vector<std::uint8_t>{'d', 0, static_cast<std::uint8_t>(i / 3)}));
    }
    EXPECT_FALSE(d.bench.link.isOpen());
    EXPECT_EQ(d.warnings, 0);
}

TEST(PageTransfer, FullMemory_EndsAfterTheLastPageWithoutAnErasedOne) {
    Download d(recording(device::Preload::Bin, 2047));
    const auto result = d.run();
    EXPECT_EQ(result.end, TransferEnd::Completed);
    EXPECT_FALSE(result.endOfData);
    EXPECT_EQ(result.downloadPage, 2048);
    EXPECT_EQ(d.order.size(), 2047U);
    EXPECT_EQ(d.pages[2047], d.memoryPage(2047));
}

// Right after page 20's reply the logger goes quiet for 4 s: the watchdog asks again after one to
// three seconds, then once a second, also when the date is set an hour forward or back meanwhile.
TEST(PageTransfer, SilentDevice_IsAskedAgainOncePerSecond_WhateverTheDateDoes) {
    for (const auto shift : {link::ms(0), link::ms(3'600'000), link::ms(-3'600'000)}) {
        Download d(recording(device::Preload::Linear2, 50));
        double quietFrom = 0;
        d.onProgress = [&](const TransferProgress& p) {
            if (p.pageArrived && p.page == 21) {
                const link::Nanos now = d.bench.clock.now();
                d.bench.catalogue.line(d.bench.port)->withDevice([&](device::SimDevice* device) {
                    device->silenceBetween(now, now + link::ms(4000));
                });
                d.bench.clock.shiftWall(shift);
                quietFrom = std::chrono::duration<double, std::milli>(now).count();
            }
            if (p.timerAdvance > 30) {
                d.bench.stop.request_stop();  // a watchdog that never fires would ask for ever
            }
        };
        const auto result = d.run();
        EXPECT_EQ(result.end, TransferEnd::Completed);
        EXPECT_EQ(d.order.size(), 50U);
        ASSERT_GT(quietFrom, 0);
        const auto again = requestsDuring(d, quietFrom - 1, quietFrom + 4000);
        ASSERT_GE(again.size(), 3U) << "the watchdog never asked again";
        // The last reply came just before the first of these requests.
        EXPECT_GE(again[1] - again[0], 1.0) << "the watchdog fired early";
        EXPECT_LE(again[1] - again[0], 3.1);
        for (std::size_t i = 2; i < again.size(); ++i) {
            EXPECT_NEAR(again[i] - again[i - 1], 1.0, 0.05);
        }
        EXPECT_GE(d.warnings, 2);
        EXPECT_GE(result.timerAdvance, 4);
    }
}

TEST(PageTransfer, PageTheSinkCannotKeep_EndsTheTransferBeforeTheNextRequest) {
    Download d(recording(device::Preload::Linear1, 30));
    d.refusedPage = 7;
    const auto result = d.run();
    EXPECT_EQ(result.end, TransferEnd::WriteFailed);
    EXPECT_EQ(result.downloadPage, 7);
    EXPECT_EQ(d.order.back(), 7);
    EXPECT_EQ(d.bench.receivedBytes().size(), 8U * 3U) << "pages 0 to 7 were asked for";
    EXPECT_FALSE(d.bench.link.isOpen());
}

TEST(PageTransfer, ResumeAsksForPage0ThenTheGivenPage_StopEndsItWithThePortClosed) {
    Download resumed(recording(device::Preload::Linear1, 30));
    TransferOptions from20;
    from20.firstPage = 20;
    (void)resumed.run(from20);
    ASSERT_FALSE(resumed.order.empty());
    EXPECT_EQ(resumed.order.front(), 20);
    EXPECT_EQ(resumed.order.back(), 30);
    const auto sent = resumed.bench.receivedBytes();
    ASSERT_GE(sent.size(), 6U);
    EXPECT_EQ(std::vector<std::uint8_t>(sent.begin(), sent.begin() + 6),
              (std::vector<std::uint8_t>{'d', 0, 0, 'd', 0, 20}))
        << "page 0 first, then the page after the file's last line";

    Download stopped(recording(device::Preload::Linear1, 30));
    stopped.stopAfterPage = 4;
    const auto result = stopped.run();
    EXPECT_EQ(result.end, TransferEnd::Stopped);
    EXPECT_LE(stopped.order.size(), 5U);
    EXPECT_FALSE(stopped.bench.link.isOpen());
}

}  // namespace
}  // namespace tilt::logging
