// tiltctl's remote send and remote receive, against a tiltsim and each other, in real time.

#include <QRegularExpression>

#include "platform/udp_endpoint.h"
#include "tiltsim_process.h"

namespace {

using tilt::platform::UdpEndpoint;
using tilt::platform::UdpPeer;

// A `tiltctl remote receive` running beside the test; it tells the port it listens on first.
class Receiver {
  public:
    explicit Receiver(QStringList options) {
        useTestDataRoot(process_);
        process_.start(TILTCTL_PATH, QStringList{"remote", "receive", "--bind", "0"} + options);
        const QRegularExpression told(QStringLiteral("Receiving on UDP port (\\d+)\\."));
        process_.setReadChannel(QProcess::StandardError);
        while (port_ == 0 && process_.waitForReadyRead(5000)) {
            err_ += process_.readAllStandardError();
            if (const auto m = told.match(QString::fromLocal8Bit(err_)); m.hasMatch()) {
                port_ = static_cast<std::uint16_t>(m.captured(1).toUInt());
            }
        }
        process_.setReadChannel(QProcess::StandardOutput);
    }
    ~Receiver() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }

    [[nodiscard]] std::uint16_t port() const { return port_; }
    QProcess& process() { return process_; }

    CtlResult finish() {
        process_.waitForFinished(15000);
        return {process_.exitCode(), process_.readAllStandardOutput().toStdString(),
                (err_ + process_.readAllStandardError()).toStdString()};
    }

  private:
    QProcess process_;
    QByteArray err_;
    std::uint16_t port_ = 0;
};

class TiltctlRemote : public ProgramTest {
  protected:
    void send(const Receiver& to, const std::vector<std::string>& datagrams) {
        for (const auto& d : datagrams) {
            ASSERT_TRUE(sender.sendTo({QHostAddress(QHostAddress::LocalHost), to.port()}, d));
        }
    }

    UdpEndpoint sender;
};

// Each text sent arrives and is printed as a pair; its whole degrees are src/remote's to test.
TEST_F(TiltctlRemote, SendFromTiltsimToReceive_TheReceiverShowsTheAnglesThatWereSent) {
    constexpr int kPairs = 60;
    TiltsimProcess sim({});
    Receiver receiver({"--count", QString::number(kPairs), "--json"});
    ASSERT_NE(receiver.port(), 0);

    const CtlResult sent = runTiltctlOk(
        sim, {"remote", "send", "--to", QStringLiteral("127.0.0.1:%1").arg(receiver.port()),
              "--count", QString::number(kPairs)});
    const CtlResult received = receiver.finish();
    EXPECT_THAT(sent.err, HasSubstr("Sent 60 datagrams to 127.0.0.1:"));
    ASSERT_EQ(received.exitCode, 0) << received.err;
    EXPECT_GE(receivedBytes(sim), kPairs) << "one 'A' a pair at least";

    const auto texts = linesOf(sent.out);
    const auto objects = linesOf(received.out);
    ASSERT_EQ(texts.size(), static_cast<std::size_t>(kPairs));
    ASSERT_EQ(objects.size(), texts.size());
    const QRegularExpression pair(QStringLiteral("^KT(-?\\d*\\.?\\d+)/(-?\\d*\\.?\\d+)KT$"));
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const auto m = pair.match(QString::fromStdString(texts[i]));
        ASSERT_TRUE(m.hasMatch()) << texts[i];
        const QJsonObject o = jsonObject(objects[i]);
        EXPECT_EQ(o.keys(), (QStringList{"X", "Y", "text"})) << objects[i];
        EXPECT_EQ(o.value("text").toString().toStdString(), texts[i]);
    }
}

// Anything may arrive: each datagram is one line, escaped where it is no text; a framed pair
// gets its whole degrees (which pairs are good is src/remote's to test).
TEST_F(TiltctlRemote, Receive_PrintsEveryDatagram_AndTheDegreesOfAPair) {
    struct Case {
        std::string datagram;
        std::string plain;
        std::string json;
    };
    const std::vector<Case> cases = {
        {"KT12.5/13.5KT", "KT12.5/13.5KT\tX 12\tY 14", R"({"text":"KT12.5/13.5KT","X":12,"Y":14})"},
        {"12.5/3", "12.5/3", R"({"text":"12.5/3"})"},
        {"", "", R"({"text":""})"},
        {std::string("KT\0\t\"\\\xe9KT", 9), R"(KT\x00\x09"\\\xE9KT)",
         "{\"text\":\"KT\\u0000\\u0009\\\"\\\\\xc3\xa9KT\"}"},
    };
    for (const bool json : {false, true}) {
        QStringList options{"--count", QString::number(cases.size())};
        if (json) {
            options << "--json";
        }
        Receiver receiver(options);
        ASSERT_NE(receiver.port(), 0);
        std::vector<std::string> datagrams;
        for (const auto& c : cases) {
            datagrams.push_back(c.datagram);
        }
        send(receiver, datagrams);
        const CtlResult result = receiver.finish();
        ASSERT_EQ(result.exitCode, 0) << result.err;
        const auto printed = linesOf(result.out);
        ASSERT_EQ(printed.size(), cases.size()) << result.out;
        for (std::size_t i = 0; i < cases.size(); ++i) {
            if (!json) {
                EXPECT_EQ(printed[i], cases[i].plain) << i;
                continue;
            }
            EXPECT_EQ(jsonObject(printed[i]), jsonObject(cases[i].json)) << i << ": " << printed[i];
        }
    }
}

TEST_F(TiltctlRemote, PortInUse_ExitsWithAMessageNamingIt) {
    UdpEndpoint taken;
    ASSERT_EQ(taken.bind(0), std::nullopt);
    const QString port = QString::number(taken.boundPort());
    const std::string message = "UDP port " + port.toStdString() +
                                " is in use by another program. Choose another with --bind PORT.\n";

    const CtlResult received = runTiltctl({"remote", "receive", "--bind", port});
    EXPECT_EQ(received.exitCode, 1);
    EXPECT_EQ(received.err, message);

    const CtlResult sent = runTiltctl(
        {"--port", "sim", "remote", "send", "--to", "127.0.0.1:9", "--bind", port, "--count", "1"});
    EXPECT_EQ(sent.exitCode, 1);
    EXPECT_EQ(sent.err, message);
    EXPECT_EQ(sent.out, "");
}

TEST_F(TiltctlRemote, CtrlC_EndsReceivingCleanly) {
    Receiver receiver({});
    ASSERT_NE(receiver.port(), 0);
    send(receiver, {"KT1/2KT"});
    QByteArray out;
    for (int i = 0; i < 50 && out.isEmpty(); ++i) {
        receiver.process().waitForReadyRead(100);
        out += receiver.process().readAllStandardOutput();
    }
    interrupt(receiver.process());
    const CtlResult result = receiver.finish();
    EXPECT_EQ(receiver.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(result.exitCode, 130);
    EXPECT_EQ(out.toStdString() + result.out, "KT1/2KT\tX 1\tY 2\n");
    EXPECT_THAT(result.err, HasSubstr("Receiving halted by user after 1 datagrams."));
}

}  // namespace
