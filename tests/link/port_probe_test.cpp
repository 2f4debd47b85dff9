#include "link/port_probe.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>

#include "link/comm_port.h"
#include "support/recording_errors.h"
#include "support/sim_bench.h"

namespace tilt::link {
namespace {

using testing::SimBench;

TEST(DetectDevice, DeviceAnswersF_IsFoundAfterHalfASecond) {
    SimBench bench;
    const Nanos start = bench.link.now();
    EXPECT_TRUE(detectDevice(bench.link, bench.port));
    EXPECT_FALSE(bench.link.isOpen());
    EXPECT_EQ(bench.receivedBytes(), std::vector<std::uint8_t>{'f'});
    EXPECT_EQ(bench.link.now() - start, ms(500));
}

TEST(DetectDevice, SilentOrChattyOrMissingPorts_AreNotTheDevice) {
    link::SimClock clock;
    device::SimPortCatalogue catalogue(clock);
    const auto silent = static_cast<std::int16_t>(catalogue.addSilentPort("silent"));
    device::SimOptions twice;
    twice.faults.extra = 1.0;  // every reply byte is followed by another
    const auto chatty = static_cast<std::int16_t>(catalogue.addDevice(twice));
    device::SimOptions garbled;
    garbled.faults.garble = 1.0;
    const auto wrong = static_cast<std::int16_t>(catalogue.addDevice(garbled));
    DeviceLink link(catalogue);

    const Nanos start = clock.now();
    EXPECT_FALSE(detectDevice(link, silent));
    EXPECT_EQ(clock.now() - start, ms(500));
    EXPECT_FALSE(detectDevice(link, chatty));
    EXPECT_FALSE(detectDevice(link, wrong));
    EXPECT_FALSE(testCommPort(link, 9));
    EXPECT_FALSE(detectDevice(link, 9));
    EXPECT_FALSE(link.isOpen());
}

TEST(TestCommPort, PortHeldByAnotherControl_IsRefused) {
    SimBench bench;
    DeviceLink holder(bench.catalogue);
    holder.setPort(bench.port);
    holder.open();
    EXPECT_FALSE(testCommPort(bench.link, bench.port));
    EXPECT_FALSE(detectDevice(bench.link, bench.port));
    holder.close();
    EXPECT_TRUE(testCommPort(bench.link, bench.port));
}

// The user may have moved on to another window meanwhile: the open still names its caller.
TEST(OpenCommPort, OpenLinkKeepsItsPortAndFailuresAreReportedUnderTheCaller) {
    SimBench bench;
    testing::RecordingErrors errors;
    const auto graph = [] { return std::string("Graph"); };
    const JobScope job(bench.link, bench.port, errors, "Angles", graph);
    openCommPort(job);
    ASSERT_TRUE(bench.link.isOpen());
    openCommPort(JobScope(bench.link, 7, errors, "Angles", graph));  // already open: unchanged
    EXPECT_EQ(bench.link.port(), bench.port);
    EXPECT_TRUE(errors.reports.empty());
    closeCommPort(job);
    EXPECT_FALSE(bench.link.isOpen());
    closeCommPort(job);  // closing twice is harmless

    openCommPort(JobScope(bench.link, 7, errors, "Angles", graph));
    ASSERT_EQ(errors.reports.size(), 1u);
    EXPECT_EQ(errors.reports[0].number, 8002);
    EXPECT_EQ(errors.reports[0].source, "OpenCommPort");
    EXPECT_EQ(errors.reports[0].screen, "Angles");
    EXPECT_FALSE(bench.link.isOpen());
}

// Each port gets its own virtual clock, since the search probes ports on parallel threads.
struct Ports {
    std::set<int> devices;  // ports with a device; read-only while probes run
    std::atomic<int> probes{0};

    bool probe(std::int16_t port, std::stop_token stop) {
        ++probes;
        SimClock clock;
        device::SimPortCatalogue catalogue(clock);
        for (int n = 1; n <= 16; ++n) {
            if (devices.contains(n)) {
                (void)catalogue.addDevice({});
            } else {
                (void)catalogue.addSilentPort("ttyS" + std::to_string(n));
            }
        }
        return probePort(catalogue, port, std::move(stop));
    }
};

TEST(FindDevice, ReportsTheLowestPortThatAnswers) {
    struct Case {
        std::vector<int> devices;
        std::optional<std::int16_t> expected;
    };
    const Case cases[] = {{{3}, 3}, {{2, 5}, 2}, {{16}, 16}, {{}, std::nullopt}, {{1, 2}, 1}};
    for (const auto& c : cases) {
        Ports ports;
        ports.devices.insert(c.devices.begin(), c.devices.end());
        std::atomic<int> verdicts{0};
        SearchOptions options;
        options.onPortDone = [&](std::int16_t, bool) { ++verdicts; };
        const auto found = findDevice(
            1, 16, [&](std::int16_t p, std::stop_token s) { return ports.probe(p, s); }, options);
        EXPECT_EQ(found, c.expected);
        EXPECT_EQ(ports.probes.load(), 16);
        EXPECT_EQ(verdicts.load(), 16);
    }
}

TEST(FindDevice, StopRequested_EndsTheSearchWithoutAnAnswer) {
    std::stop_source stop;
    SearchOptions options;
    options.stop = stop.get_token();
    stop.request_stop();
    const auto found = findDevice(
        1, 4, [](std::int16_t, std::stop_token s) { return !s.stop_requested(); }, options);
    EXPECT_FALSE(found);
}

}  // namespace
}  // namespace tilt::link
