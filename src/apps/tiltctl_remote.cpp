#include "apps/tiltctl_remote.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <chrono>
#include <cstdio>
#include <optional>
#include <ostream>
#include <stop_token>
#include <string>

#include "apps/tiltctl_console.h"
#include "apps/tiltctl_live_run.h"
#include "link/device_link.h"
#include "live/live_sampling.h"
#include "platform/udp_endpoint.h"
#include "remote/angle_datagram.h"
#include "remote/angle_sending.h"

namespace tilt::ctl {

namespace {

// The screen error reports name: that of the window that does the same in the desktop program.
constexpr std::string_view kRemoteScreen = "RemoteSession";
constexpr const char* kSendUsage = "expected --to HOST:PORT [--bind PORT] [--count N] [--json]";
constexpr const char* kReceiveUsage = "expected [--bind PORT] [--count N] [--json]";
constexpr const char* kBindAdvice = " Choose another with --bind PORT.";
// How long a wait for datagrams lasts before Ctrl+C is looked at again.
constexpr std::chrono::milliseconds kWaitStep{100};

// The sampled datagrams straight to the peer, counting those that could not go out.
class EndpointSink final : public remote::DatagramSink {
  public:
    EndpointSink(platform::UdpEndpoint& endpoint, platform::UdpPeer peer)
        : endpoint_(endpoint), peer_(std::move(peer)) {}

    void send(const std::string& datagram) override {
        if (!endpoint_.sendTo(peer_, datagram)) {
            ++failed_;
        }
    }

    [[nodiscard]] long long failed() const { return failed_; }

  private:
    platform::UdpEndpoint& endpoint_;
    platform::UdpPeer peer_;
    long long failed_ = 0;
};

struct RemoteRequest {
    std::optional<platform::HostAndPort> to;
    std::optional<std::uint16_t> bind;
    std::optional<long long> count;
    bool json = false;
};

std::uint16_t bindArgument(const QString& text) {
    bool ok = false;
    const int port = text.toInt(&ok);
    if (!ok || port < 0 || port > 65535) {
        throw UsageError{"--bind takes a UDP port, 1 to 65535 (0: any free port)"};
    }
    return static_cast<std::uint16_t>(port);
}

RemoteRequest remoteArguments(const QStringList& args, bool sending) {
    const char* usage = sending ? kSendUsage : kReceiveUsage;
    RemoteRequest request;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (sending && args[i] == "--to") {
            const QString& value = optionValue(args, i, usage);
            request.to = platform::parseHostAndPort(value.toStdString());
            if (!request.to) {
                throw UsageError{"--to takes HOST:PORT with a port from 1 to 65535, not '" +
                                 value.toStdString() + "'"};
            }
        } else if (args[i] == "--bind") {
            request.bind = bindArgument(optionValue(args, i, usage));
        } else if (args[i] == "--count") {
            bool ok = false;
            request.count = optionValue(args, i, usage).toLongLong(&ok);
            if (!ok || *request.count < 1) {
                throw UsageError{"--count takes a number, 1 or more"};
            }
        } else if (args[i] == "--json") {
            request.json = true;
        } else {
            throw UsageError{"unexpected '" + args[i].toStdString() + "'; " + usage};
        }
    }
    if (sending && !request.to) {
        throw UsageError{usage};
    }
    return request;
}

// A datagram on a terminal line: printable ASCII as it is, every other byte (and the
// backslash) escaped, so that nothing a sender puts in it can move the cursor or end the line.
std::string printable(std::string_view bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            text += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            text += hex;
        }
    }
    return text;
}

std::string datagramLine(const std::string& datagram, bool json) {
    const auto angles = remote::decodeAngleDatagram(datagram);
    std::string line;
    if (json) {
        // Its bytes are 8-bit text, each byte one character.
        QJsonObject object{{"text", QString::fromLatin1(datagram.data(),
                                                        static_cast<qsizetype>(datagram.size()))}};
        if (angles) {
            object.insert("X", angles->x);
            object.insert("Y", angles->y);
        }
        line = QJsonDocument(object).toJson(QJsonDocument::Compact).toStdString();
    } else {
        line = printable(datagram);
        if (angles) {
            line += "\tX " + std::to_string(angles->x) + "\tY " + std::to_string(angles->y);
        }
    }
    return line + "\n";
}

int runRemoteSend(Context& ctx, const QStringList& args) {
    const RemoteRequest request = remoteArguments(args, true);
    if (ctx.port == 0) {
        return noPortSelected(ctx);
    }
    const std::string destination = request.to->host + ":" + std::to_string(request.to->port);
    const auto address = platform::resolveHost(request.to->host);
    if (!address) {
        ctx.err << "The host " << request.to->host << " is not known on this network.\n";
        return kDeviceFailed;
    }
    platform::UdpEndpoint sender;
    if (request.bind) {
        if (const auto problem = sender.bind(*request.bind)) {
            ctx.err << *problem << kBindAdvice << "\n";
            return kDeviceFailed;
        }
    }
    EndpointSink sink(sender, {*address, request.to->port});
    LiveRun run(ctx, LiveLimits{request.count, std::nullopt});
    remote::AngleSending sending;
    sending.sending = [&run] { return run.wantsMore(); };  // none beyond the count
    sending.sampled = [&](const live::AngleSample& sample,
                          const std::optional<std::string>& datagram) {
        if (!datagram) {
            return;
        }
        run.reading(request.json ? jsonLine({{"text", QString::fromStdString(*datagram)},
                                             {"AngleX", sample.reading.angleX},
                                             {"AngleY", sample.reading.angleY}})
                                 : *datagram + "\n");
    };
    const int code = run.ended(remote::sendSampledAngles(run.job(kRemoteScreen), sink, sending));
    ctx.err << "Sent " << run.readings() << " datagrams to " << destination;
    if (sink.failed() > 0) {
        ctx.err << " (" << sink.failed() << " of them could not go out)";
    }
    ctx.err << ".\n";
    return code == kDone && sink.failed() > 0 ? kDeviceFailed : code;
}

int runRemoteReceive(Context& ctx, const QStringList& args) {
    const RemoteRequest request = remoteArguments(args, false);
    platform::UdpEndpoint endpoint;
    if (const auto problem = endpoint.bind(request.bind.value_or(remote::kReceiverPort))) {
        ctx.err << *problem << kBindAdvice << "\n";
        return kDeviceFailed;
    }
    ctx.err << "Receiving on UDP port " << endpoint.boundPort() << ".\n" << std::flush;
    InterruptStop interrupt;
    long long received = 0;
    while (!interrupt.requested() && received != request.count) {
        if (!endpoint.waitForDatagrams(kWaitStep)) {
            continue;
        }
        for (const std::string& datagram : endpoint.receive()) {
            ctx.out << datagramLine(datagram, request.json);
            if (++received == request.count) {
                break;
            }
        }
        ctx.out.flush();
    }
    if (interrupt.requested()) {
        ctx.err << "Receiving halted by user after " << received << " datagrams.\n";
        return kInterrupted;
    }
    return kDone;
}

}  // namespace

std::vector<Command> remoteCommands() {
    return {
        {{"remote", "send"},
         "--to HOST:PORT [--bind PORT] [--count N] [--json]",
         helpText({"Sample the angles on --port as the Remote Session window does and send each "
                   "pair as one datagram \"KT\" X \"/\" Y \"KT\" (KT12.3/-4KT) to HOST:PORT; "
                   "print each datagram sent, one a line, and a count on stderr. --bind PORT "
                   "sends from that local port (default: any).",
                   "Ends after N readings or on Ctrl+C (exit 130). A port that cannot be bound, "
                   "an unknown HOST, or a logger silent for " +
                       std::to_string(kLiveSilenceSeconds) + " seconds: exit 1.",
                   "--json: one object a line, {\"text\", \"AngleX\", \"AngleY\"}."}),
         runRemoteSend},
        {.words = {"remote", "receive"},
         .arguments = "[--bind PORT] [--count N] [--json]",
         .summary = helpText(
             {"Receive datagrams on UDP port PORT (default " +
                  std::to_string(remote::kReceiverPort) +
                  ", where a sending window sends; 0: any free port) and print each, one a line: "
                  "its text (bytes that are not printable as \\xHH), and for an angle datagram "
                  "(\"KT\" X \"/\" Y \"KT\") a tab, \"X \" and the X angle, a tab, \"Y \" and "
                  "the Y angle: the leading number of each side (0 for none) in whole degrees, "
                  "none beyond 16 bits. The port goes to stderr first.",
              "Ends after N datagrams or on Ctrl+C (exit 130). A port that cannot be bound: "
              "exit 1.",
              "--json: one object a line, {\"text\", \"X\", \"Y\"}; X and Y only for an angle "
              "datagram."}),
         .run = runRemoteReceive,
         .needsPort = false},
    };
}

}  // namespace tilt::ctl
