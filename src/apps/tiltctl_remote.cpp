#include "apps/tiltctl_remote.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <ostream>
#include <stop_token>
#include <string>

#include "apps/tiltctl_console.h"
#include "link/device_link.h"
#include "live/live_sampling.h"
#include "platform/udp_endpoint.h"
#include "remote/angle_datagram.h"

namespace tilt::ctl {

namespace {

// Error reports name the window that does the same in the desktop program.
constexpr std::string_view kWindow = "RemoteSession";
constexpr const char* kNoPort = "No comm port has been selected!";
constexpr const char* kSendUsage = "expected --to HOST:PORT [--bind PORT] [--count N]";
constexpr const char* kReceiveUsage = "expected [--bind PORT] [--count N] [--json]";
constexpr const char* kBindAdvice = " Choose another with --bind PORT.";
// The port the desktop program's receiving role binds, where its sending role sends.
constexpr std::uint16_t kReceiverPort = 1002;
// How long a wait for datagrams lasts before Ctrl+C is looked at again.
constexpr std::chrono::milliseconds kWaitStep{100};
constexpr std::size_t kDatagramsPerRead = 64;
const std::string kIndent(24, ' ');

struct RemoteRequest {
    std::optional<platform::HostAndPort> to;
    std::optional<std::uint16_t> bind;
    std::optional<long long> count;
    bool json = false;
};

const QString& optionValue(const QStringList& args, qsizetype& at, const char* usage) {
    if (at + 1 >= args.size()) {
        throw UsageError{args[at].toStdString() + " needs a value; " + usage};
    }
    return args[++at];
}

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
        } else if (!sending && args[i] == "--json") {
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

// A datagram as a JSON string: its bytes are 8-bit text, each byte one character.
std::string jsonString(std::string_view bytes) {
    std::string text = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
            text += escaped;
        } else if (byte >= 0x80) {  // as UTF-8
            text += static_cast<char>(0xC0 | (byte >> 6));
            text += static_cast<char>(0x80 | (byte & 0x3F));
        } else {
            text += c;
        }
    }
    return text + "\"";
}

std::string datagramLine(const std::string& datagram, bool json) {
    const auto angles = remote::decodeAngleDatagram(datagram);
    std::string line;
    if (json) {
        line = "{\"text\":" + jsonString(datagram);
        if (angles) {
            line += ",\"X\":" + std::to_string(angles->x) + ",\"Y\":" + std::to_string(angles->y);
        }
        line += "}";
    } else {
        line = printable(datagram);
        if (angles) {
            line += "\tX " + std::to_string(angles->x) + "\tY " + std::to_string(angles->y);
        }
    }
    return line + "\n";
}

struct RequestStop {
    std::stop_source stop;
    void operator()() const { stop.request_stop(); }
};

int runRemoteSend(Context& ctx, const QStringList& args) {
    const RemoteRequest request = remoteArguments(args, true);
    if (ctx.port == 0) {
        ctx.err << kNoPort << "\n";
        return kDeviceFailed;
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
    const platform::UdpPeer peer{*address, request.to->port};
    InterruptStop interrupt;
    std::stop_source stop;
    const std::stop_callback<RequestStop> onInterrupt(interrupt.token(), RequestStop{stop});
    link::DeviceLink link(ctx.catalogue);
    link.setStopToken(stop.get_token());
    PrintingErrors errors(ctx.err);
    long long sent = 0;
    long long failed = 0;
    live::AngleLoopEvents events;
    events.reading = [&](const live::AngleSample& sample) {
        const std::string datagram =
            remote::angleDatagram(sample.reading.angleX, sample.reading.angleY);
        if (!sender.sendTo(peer, datagram)) {
            ++failed;
        }
        ctx.out << datagram << "\n" << std::flush;
        if (++sent == request.count) {
            stop.request_stop();
        }
    };
    live::LiveOptions options;
    options.commPort = ctx.port;
    options.window = kWindow;
    live::LoopRequests none;  // nothing is asked of the loop from a terminal
    const live::LiveEnd end = live::sampleAngles(link, errors, options, none, events);
    ctx.err << "Sent " << sent << " datagrams to " << destination;
    if (failed > 0) {
        ctx.err << " (" << failed << " of them could not go out)";
    }
    ctx.err << ".\n";
    if (end != live::LiveEnd::Stopped) {
        return kDeviceFailed;  // the error report has said why
    }
    if (interrupt.requested()) {
        return kInterrupted;
    }
    return errors.count() == 0 && failed == 0 ? kDone : kDeviceFailed;
}

int runRemoteReceive(Context& ctx, const QStringList& args) {
    const RemoteRequest request = remoteArguments(args, false);
    platform::UdpEndpoint endpoint;
    if (const auto problem = endpoint.bind(request.bind.value_or(kReceiverPort))) {
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
        for (const std::string& datagram : endpoint.receive(kDatagramsPerRead)) {
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
         "--to HOST:PORT [--bind PORT] [--count N]",
         "Sample the angles on --port as the Remote Session window does and send each\n" + kIndent +
             "pair as one datagram \"KT\" X \"/\" Y \"KT\" (KT12.3/-4KT) to HOST:PORT; print\n" +
             kIndent +
             "each datagram sent, one a line, and a count on stderr. --bind PORT sends\n" +
             kIndent + "from that local port (default: any). Ends after N readings or on Ctrl+C\n" +
             kIndent + "(exit 130). A port that cannot be bound or an unknown HOST: exit 1.",
         runRemoteSend},
        {.words = {"remote", "receive"},
         .arguments = "[--bind PORT] [--count N] [--json]",
         .summary =
             "Receive datagrams on UDP port PORT (default 1002, where a sending window sends;\n" +
             kIndent + "0: any free port) and print each, one a line: its text (bytes that are\n" +
             kIndent +
             "not printable as \\xHH), and for an angle datagram a tab, \"X \" and the X\n" +
             kIndent +
             "angle, a tab, \"Y \" and the Y angle, in whole degrees. --json: one object\n" +
             kIndent +
             "a line, {\"text\", \"X\", \"Y\"}; X and Y only for an angle datagram. The\n" +
             kIndent + "port goes to stderr first. Ends after N datagrams or on Ctrl+C (exit\n" +
             kIndent + "130). A port that cannot be bound: exit 1.",
         .run = runRemoteReceive,
         .needsPort = false},
    };
}

}  // namespace tilt::ctl
