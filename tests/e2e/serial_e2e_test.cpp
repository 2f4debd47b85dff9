// The real serial path: QtSerialPort on a tiltsim pseudo-terminal, in real time.

#include <QFile>
#include <ctime>

#include "common/error.h"
#include "link/device_link.h"
#include "link/protocol.h"
#include "platform/serial_transport.h"
#include "platform/system_port_catalogue.h"
#include "tiltsim_process.h"

namespace tilt::platform {
namespace {

using link::ms;

class SerialEndToEnd : public ProgramTest {
  protected:
    // Sends `request` one byte at a time and collects the reply until `expected` bytes came or
    // a second passed, then checks that nothing more follows.
    std::vector<std::uint8_t> exchange(SerialTransport& port, std::vector<std::uint8_t> request,
                                       std::size_t expected) {
        for (const auto byte : request) {
            port.write(byte);
        }
        EXPECT_TRUE(port.waitForBytes(expected, clock.now() + ms(1000), {}));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return port.readAll();
    }

    link::SystemClock clock;
};

TEST_F(SerialEndToEnd, PlainClient_GetsTheReplyLengthsOfTheProtocol) {
    TiltsimProcess sim({"--preload", "linear3", "--pushes", "3"});
    SerialTransport port(sim.path(), clock);
    port.open();
    EXPECT_EQ(exchange(port, {'f'}, 1), std::vector<std::uint8_t>{'f'});
    EXPECT_EQ(exchange(port, {'A'}, 4).size(), 4u);
    EXPECT_EQ(exchange(port, {'a'}, 6).size(), 6u);
    EXPECT_EQ(exchange(port, {'l', 'm'}, 4), (std::vector<std::uint8_t>{0x08, 0x66, 0x00, 150}));
    EXPECT_EQ(exchange(port, {'r', 30}, 1), std::vector<std::uint8_t>{3});
    const auto page = exchange(port, {'d', 0, 1}, link::kPageBytes);
    ASSERT_EQ(page.size(), link::kPageBytes);
    EXPECT_FALSE(link::isErasedPage(page));
}

// CPU time this thread has used.
double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

TEST_F(SerialEndToEnd, SilentPortCostsNoCpu_ALostOneEndsTheWaitAtOnce) {
    TiltsimProcess sim({});
    SerialTransport port(sim.path(), clock);
    port.open();
    const double cpuBefore = threadCpuSeconds();
    EXPECT_FALSE(port.waitForBytes(1, clock.now() + ms(1000), {}));
    EXPECT_LT(threadCpuSeconds() - cpuBefore, 0.1) << "the wait spun";

    // The far end goes away, as when a USB adapter is pulled out.
    std::thread pull([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        sim.process().kill();
    });
    const auto start = clock.now();
    try {
        (void)port.waitForBytes(1, start + ms(10000), {});
        ADD_FAILURE() << "the wait went on past the lost port";
    } catch (const Error& e) {
        EXPECT_EQ(e.number(), errc::kPortLost);
        EXPECT_THAT(e.description(), HasSubstr(sim.path() + " was lost"));
    }
    pull.join();
    EXPECT_LT(clock.now() - start, ms(1500));
    EXPECT_THROW(port.write('f'), Error) << "a lost port stays lost";
}

TEST_F(SerialEndToEnd, DeviceLinkOnANamedPort_KeepsTheRequestPauses) {
    TiltsimProcess sim({"--preload", "bin", "--pages", "4"});
    SystemPortCatalogue catalogue(clock);
    const int number = catalogue.addNamedPort(sim.path());
    link::DeviceLink link(catalogue);
    link.setPort(number);
    link.open();
    link::requestPage(link, 3);
    ASSERT_TRUE(link.waitForBytes(link::kPageBytes, clock.now() + ms(1000)));
    EXPECT_EQ(link.readAll().size(), link::kPageBytes);
    link.close();

    const auto log = receivedLog(sim);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].value, 100);
    EXPECT_EQ(log[2].value, 3);
    // tiltsim stamps a byte when it gets to read it, which a loaded machine can delay by a few
    // milliseconds; without the pauses the bytes would come half a millisecond apart.
    EXPECT_GT(log[1].at - log[0].at, 0.005);
    EXPECT_GT(log[2].at - log[1].at, 0.005);
    EXPECT_NEAR(log[2].at - log[0].at, 0.024, 0.008);
}

TEST_F(SerialEndToEnd, Tiltctl_DetectsReadsAndRefusesOutOfRangeValues) {
    TiltsimProcess sim({"--preload", "linear3", "--pushes", "3"});

    const auto detect = runTiltctlOk(sim, {"detect"});
    EXPECT_EQ(detect.out, "Tiltavarometer found on Comm 1! (" + sim.path() + ")\n");

    const auto read = runTiltctlOk(sim, {"eeprom", "read", "30"});
    EXPECT_EQ(read.out, "3\n");

    const long before = receivedBytes(sim);
    const auto refused = runTiltctlOn(sim, {"eeprom", "write", "40", "300"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_THAT(refused.err, HasSubstr("does not fit in a byte"));
    EXPECT_EQ(receivedBytes(sim), before) << "bytes reached the device";

    const auto write = runTiltctlOk(sim, {"eeprom", "write", "40", "7"});
    EXPECT_EQ(runTiltctlOn(sim, {"eeprom", "read", "40"}).out, "7\n");
}

// How the cells decode is src/link's to test; here, how tiltctl prints them.
TEST_F(SerialEndToEnd, TiltctlConnect_PrintsTheTaresAndTheUpdateTimeIncrement) {
    TiltsimProcess sim({});
    const auto connect = runTiltctlOk(sim, {"connect"});
    EXPECT_EQ(connect.out, "TareX: 0.0\nTareY: 0.0\nUpdateTimeIncrement: 3\n");

    const auto silent = runTiltctl({"--port", "/dev/null", "connect"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_EQ(silent.err,
              "A communication failure has occurred!\n"
              "On-board parameters were not retrieved from the Tiltavarometer.\n"
              "Check your hardware set-up and try again.\n");
}

// A missing argument is the live tests' (dac 1); an unknown command is refused here.
TEST_F(SerialEndToEnd, Tiltctl_MissingOrSilentPorts_ExitWithOne) {
    const auto missing = runTiltctl({"--port", "/dev/tilt-no-such-port", "probe"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_THAT(missing.err, HasSubstr("does not exist"));

    const auto unknown = runTiltctl({"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
}

}  // namespace
}  // namespace tilt::platform
