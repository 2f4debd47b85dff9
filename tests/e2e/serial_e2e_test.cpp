// The real serial path: QtSerialPort on a tiltsim pseudo-terminal, in real time.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <ctime>
#include <thread>

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
    ASSERT_FALSE(sim.path().empty()) << "tiltsim printed no terminal path";
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
    ASSERT_FALSE(sim.path().empty());
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
        EXPECT_NE(e.description().find(sim.path() + " was lost"), std::string::npos);
    }
    pull.join();
    EXPECT_LT(clock.now() - start, ms(1500));
    EXPECT_THROW(port.write('f'), Error) << "a lost port stays lost";
}

TEST_F(SerialEndToEnd, DeviceLinkOnANamedPort_KeepsTheRequestPauses) {
    TiltsimProcess sim({"--preload", "bin", "--pages", "4"});
    ASSERT_FALSE(sim.path().empty());
    SystemPortCatalogue catalogue(clock);
    const int number = catalogue.addNamedPort(sim.path());
    link::DeviceLink link(catalogue);
    link.setPort(number);
    link.open();
    link::requestPage(link, 3);
    ASSERT_TRUE(link.waitForBytes(link::kPageBytes, clock.now() + ms(1000)));
    EXPECT_EQ(link.readAll().size(), link::kPageBytes);
    link.close();

    QFile log(sim.rxLogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const auto lines = QString::fromLatin1(log.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    std::vector<double> at;
    for (const auto& line : lines) {
        at.push_back(line.section(' ', 0, 0).toDouble());
    }
    EXPECT_EQ(lines[0].section(' ', 1), "100");
    EXPECT_EQ(lines[2].section(' ', 1), "3");
    // tiltsim stamps a byte when it gets to read it, which a loaded machine can delay by a few
    // milliseconds; without the pauses the bytes would come half a millisecond apart.
    EXPECT_GT(at[1] - at[0], 0.005);
    EXPECT_GT(at[2] - at[1], 0.005);
    EXPECT_NEAR(at[2] - at[0], 0.024, 0.008);
}

TEST_F(SerialEndToEnd, Tiltctl_DetectsReadsAndRefusesOutOfRangeValues) {
    TiltsimProcess sim({"--preload", "linear3", "--pushes", "3"});
    ASSERT_FALSE(sim.path().empty());
    const QString path = QString::fromStdString(sim.path());

    const auto detect = runTiltctl({"--port", path, "detect"});
    EXPECT_EQ(detect.exitCode, 0) << detect.err;
    EXPECT_EQ(detect.out, "Tiltavarometer found on Comm 1! (" + sim.path() + ")\n");

    const auto read = runTiltctl({"--port", path, "eeprom", "read", "30"});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    EXPECT_EQ(read.out, "3\n");

    QFile log(sim.rxLogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const auto before = log.readAll().count('\n');
    const auto refused = runTiltctl({"--port", path, "eeprom", "write", "40", "300"});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.err.find("does not fit in a byte"), std::string::npos) << refused.err;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    log.seek(0);
    EXPECT_EQ(log.readAll().count('\n'), before) << "bytes reached the device";

    const auto write = runTiltctl({"--port", path, "eeprom", "write", "40", "7"});
    EXPECT_EQ(write.exitCode, 0) << write.err;
    EXPECT_EQ(runTiltctl({"--port", path, "eeprom", "read", "40"}).out, "7\n");
}

// How the cells decode is src/link's to test; here, how tiltctl prints them.
TEST_F(SerialEndToEnd, TiltctlConnect_PrintsTheTaresAndTheUpdateTimeIncrement) {
    TiltsimProcess sim({});
    ASSERT_FALSE(sim.path().empty());
    const auto connect = runTiltctlOn(sim, {"connect"});
    EXPECT_EQ(connect.exitCode, 0) << connect.err;
    EXPECT_EQ(connect.out, "TareX: 0.0\nTareY: 0.0\nUpdateTimeIncrement: 3\n");

    const auto silent = runTiltctl({"--port", "/dev/null", "connect"});
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_EQ(silent.err,
              "A communication failure has occurred!\n"
              "On-board parameters were not retrieved from the Tiltavarometer.\n"
              "Check your hardware set-up and try again.\n");
}

TEST_F(SerialEndToEnd, Tiltctl_MissingOrSilentPorts_ExitWithOne) {
    const auto missing = runTiltctl({"--port", "/dev/tilt-no-such-port", "probe"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("does not exist"), std::string::npos) << missing.err;

    const auto usage = runTiltctl({"--port", "sim", "eeprom", "read"});
    EXPECT_EQ(usage.exitCode, 2);
    const auto unknown = runTiltctl({"frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
}

}  // namespace
}  // namespace tilt::platform
