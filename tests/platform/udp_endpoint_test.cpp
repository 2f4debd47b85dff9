// The UDP endpoint on the loopback address, with ports the system picks.
#include "platform/udp_endpoint.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <optional>
#include <string>
#include <vector>

#include "../../bench/memory_use.h"
#include "support/core_application.h"

namespace tilt::platform {
namespace {

using namespace std::chrono_literals;

// The largest payload an IPv4 datagram carries.
constexpr std::size_t kLargestIPv4Payload = 65507;

UdpPeer loopback(std::uint16_t port) {
    return {QHostAddress(QHostAddress::LocalHost), port};
}

class UdpEndpointTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ensureCoreApplication(); }

    void SetUp() override {
        ASSERT_EQ(receiver.bind(0), std::nullopt);
        ASSERT_NE(receiver.boundPort(), 0);
    }

    // Everything that arrives until `count` datagrams are in or a second has passed.
    std::vector<std::string> collect(std::size_t count, std::size_t maxBytes) {
        std::vector<std::string> all;
        QElapsedTimer waited;
        waited.start();
        while (all.size() < count && waited.elapsed() < 1000) {
            if (receiver.waitForDatagrams(50ms)) {
                for (auto& d : receiver.receive(count - all.size(), maxBytes)) {
                    all.push_back(std::move(d));
                }
            }
        }
        return all;
    }

    UdpEndpoint receiver;
    UdpEndpoint sender;
};

TEST_F(UdpEndpointTest, BindToAPortInUse_ExplainsWhichPortAndKeepsTheFirstOwnerWorking) {
    const std::uint16_t taken = receiver.boundPort();
    UdpEndpoint second;
    const auto problem = second.bind(taken);
    ASSERT_TRUE(problem.has_value());
    EXPECT_EQ(*problem, "UDP port " + std::to_string(taken) + " is in use by another program.");
    EXPECT_FALSE(second.isBound());
    EXPECT_EQ(second.boundPort(), 0);

    ASSERT_TRUE(sender.sendTo(loopback(taken), "still here"));
    EXPECT_EQ(collect(1, UdpEndpoint::kMaxDatagramBytes), std::vector<std::string>{"still here"});

    receiver.close();
    EXPECT_EQ(second.bind(taken), std::nullopt) << "a closed endpoint lets go of its port";
}

TEST_F(UdpEndpointTest, Datagrams_ArriveWholeAndInOrder_EmptyBinaryAndLargestIncluded) {
    const std::vector<std::string> sent = {"KT12.3/-4KT", "", std::string("\0\xff\r\nKT", 6),
                                           std::string(kLargestIPv4Payload, 'x'),
                                           "after the big one"};
    for (const auto& d : sent) {
        ASSERT_TRUE(sender.sendTo(loopback(receiver.boundPort()), d));
    }
    EXPECT_EQ(collect(sent.size(), UdpEndpoint::kMaxDatagramBytes), sent);
}

TEST_F(UdpEndpointTest, DatagramLongerThanTheLimit_IsCut_AndTheNextOneIsWhole) {
    ASSERT_TRUE(
        sender.sendTo(loopback(receiver.boundPort()), std::string(kLargestIPv4Payload, 'y')));
    ASSERT_TRUE(sender.sendTo(loopback(receiver.boundPort()), "KT1/2KT"));
    const auto got = collect(2, 1024);
    ASSERT_EQ(got.size(), 2U);
    EXPECT_EQ(got[0], std::string(1024, 'y'));
    EXPECT_EQ(got[1], "KT1/2KT");
}

TEST_F(UdpEndpointTest, NoPeer_NothingIsSent) {
    EXPECT_FALSE(sender.sendTo(UdpPeer{}, "nowhere"));
    EXPECT_FALSE(sender.sendTo(UdpPeer{QHostAddress(QHostAddress::LocalHost), 0}, "nowhere"));
}

// Tens of thousands of datagrams, some of them as large as a datagram gets, read a bounded batch
// at a time: what is handed out stays within the batch, the process does not grow with the
// flood, and the endpoint still takes the datagram that follows it.
TEST_F(UdpEndpointTest, Flood_ReadInBoundedBatches_MemoryStaysBounded) {
    constexpr int kDatagrams = 30000;
    constexpr std::size_t kBatch = 16;
    const std::string big(kLargestIPv4Payload, 'K');
    const long before = bench::currentKiB();
    std::size_t largestBatch = 0;
    std::size_t largestDatagram = 0;
    long taken = 0;
    long bigTaken = 0;
    const auto drain = [&] {
        for (auto batch = receiver.receive(kBatch); !batch.empty();
             batch = receiver.receive(kBatch)) {
            largestBatch = std::max(largestBatch, batch.size());
            for (const auto& d : batch) {
                largestDatagram = std::max(largestDatagram, d.size());
                bigTaken += d.size() == big.size() ? 1 : 0;
            }
            taken += static_cast<long>(batch.size());
        }
    };
    for (int i = 0; i < kDatagrams; ++i) {
        (void)sender.sendTo(loopback(receiver.boundPort()), i % 50 == 0 ? big : "KT1/2KT");
        if (i % 10 == 0) {  // often enough that most of the flood gets through
            drain();
        }
    }
    drain();
    const long grownKiB = bench::currentKiB() - before;

    EXPECT_GT(taken, kDatagrams / 2);
    ASSERT_GT(bigTaken, 300) << "too few large datagrams got through to tell";
    EXPECT_LE(largestBatch, kBatch);
    EXPECT_LE(largestDatagram, kLargestIPv4Payload);
    // Over 300 datagrams of 64 KB went through: kept, they would be over 20 MB.
    if constexpr (bench::kResidentGrowthMeasuresWhatIsKept) {
        EXPECT_LT(grownKiB, 16 * 1024);
    }
    ASSERT_TRUE(sender.sendTo(loopback(receiver.boundPort()), "last"));
    const auto after = collect(1, UdpEndpoint::kMaxDatagramBytes);
    EXPECT_EQ(after, std::vector<std::string>{"last"});
}

TEST(HostAndPort, ParsesNamesAddressesAndBracketedIPv6_RefusesTheRest) {
    struct Case {
        const char* text;
        std::optional<std::pair<std::string, std::uint16_t>> expected;
    };
    const std::vector<Case> cases = {
        {"127.0.0.1:1002", std::pair{"127.0.0.1", 1002}},
        {"pc-7.example:65535", std::pair{"pc-7.example", 65535}},
        {"[::1]:5000", std::pair{"::1", 5000}},
        {"host:0", std::nullopt},
        {"host:65536", std::nullopt},
        {"host:", std::nullopt},
        {"host", std::nullopt},
        {":1002", std::nullopt},
        {"host:12a", std::nullopt},
        {"::1:5000", std::nullopt},
        {"[]:5000", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto parsed = parseHostAndPort(c.text);
        EXPECT_EQ((parsed ? std::optional{std::pair{parsed->host, parsed->port}} : std::nullopt),
                  c.expected)
            << c.text;
    }
}

TEST(HostLookups, AddressesNamesAndNamesThatCannotResolve) {
    ensureCoreApplication();
    EXPECT_EQ(resolveHost("127.0.0.1"), QHostAddress(QHostAddress::LocalHost));
    EXPECT_EQ(resolveHost("localhost"), QHostAddress(QHostAddress::LocalHost))
        << "an IPv4 address is preferred";
    EXPECT_EQ(resolveHost("tilt-workstation.invalid"), std::nullopt);

    // Without waiting: an address is answered at once; a new lookup forgets the one before.
    HostLookup lookup;
    std::vector<std::optional<QHostAddress>> answers;
    const auto record = [&](std::optional<QHostAddress> a) { answers.push_back(a); };
    lookup.start("10.1.2.3", record);
    ASSERT_EQ(answers.size(), 1U);
    EXPECT_EQ(answers[0], QHostAddress("10.1.2.3"));
    lookup.start("localhost", record);
    lookup.start("tilt-workstation.invalid", record);
    QElapsedTimer waited;
    waited.start();
    while (answers.size() < 2 && waited.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    ASSERT_EQ(answers.size(), 2U) << "only the last lookup answers";
    EXPECT_EQ(answers[1], std::nullopt);
}

TEST(LocalHost, NameAndAnIPv4AddressOfThisPc) {
    ensureCoreApplication();
    EXPECT_FALSE(localComputerName().empty());
    const auto address = localIPv4Address();
    ASSERT_TRUE(address.has_value());
    const QHostAddress parsed(QString::fromStdString(*address));
    EXPECT_EQ(parsed.protocol(), QAbstractSocket::IPv4Protocol) << *address;
}

}  // namespace
}  // namespace tilt::platform
