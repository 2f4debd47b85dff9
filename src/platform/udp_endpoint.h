#pragma once

#include <QHostAddress>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QObject;
class QUdpSocket;

namespace tilt::platform {

// Where a datagram goes: an address and a port.
struct UdpPeer {
    QHostAddress address;
    std::uint16_t port = 0;
};

// One UDP socket: bound to a local port to receive, and sending to any peer. Lives on the
// thread that made it. The network is open to anyone, so nothing it hands out grows with what
// arrives: each read takes a bounded number of datagrams, each cut to a bounded size, and the
// rest waits in the system's own (bounded) buffer or is dropped there.
class UdpEndpoint {
  public:
    // The largest payload a UDP datagram can carry.
    static constexpr std::size_t kMaxDatagramBytes = 65535;
    // Datagrams taken in one read: a flood is worked off a batch at a time, between repaints or
    // looks at Ctrl+C, and the rest waits in the system's buffer (or is dropped there).
    static constexpr std::size_t kDatagramsPerRead = 64;

    UdpEndpoint();
    ~UdpEndpoint();
    UdpEndpoint(const UdpEndpoint&) = delete;
    UdpEndpoint& operator=(const UdpEndpoint&) = delete;

    // Binds to `port` on every local address (0: any free port), closing what was bound before.
    // Nothing when bound; otherwise why not, in words a user can act on, naming the port.
    [[nodiscard]] std::optional<std::string> bind(std::uint16_t port);
    void close();
    [[nodiscard]] bool isBound() const;
    // The local port bound to, 0 when none.
    [[nodiscard]] std::uint16_t boundPort() const;

    // Sends one datagram (the empty one included). False when it could not go out; nobody on
    // the network owes us an answer, so callers may ignore it.
    bool sendTo(const UdpPeer& peer, std::string_view bytes);

    // Called on the endpoint's thread when datagrams are waiting; they should then be read.
    void onArrival(std::function<void()> handler);

    // Takes up to `maxCount` waiting datagrams, each cut to `maxBytes`. The rest keep waiting.
    [[nodiscard]] std::vector<std::string> receive(std::size_t maxCount = kDatagramsPerRead,
                                                   std::size_t maxBytes = kMaxDatagramBytes);

    // Waits up to `timeout` for a datagram, for a thread without an event loop.
    [[nodiscard]] bool waitForDatagrams(std::chrono::milliseconds timeout);

  private:
    std::unique_ptr<QUdpSocket> socket_;
};

// This PC's name on the network.
[[nodiscard]] std::string localComputerName();

// This PC's IPv4 address as dotted text: the first non-loopback address of an interface that
// is up, else the loopback address; nothing without any IPv4 at all. (The name's own address
// is no help: many systems resolve it to the loopback address.)
[[nodiscard]] std::optional<std::string> localIPv4Address();

// The address to send to for `host`, a name or an address: its first IPv4 address if it has
// one, else its first. Waits for the lookup; nothing when the name does not resolve.
[[nodiscard]] std::optional<QHostAddress> resolveHost(const std::string& host);

// The same lookup without waiting, for a window: `found` runs on this thread when the answer
// comes. Starting another lookup, or destroying this, forgets the one under way.
class HostLookup {
  public:
    using Found = std::function<void(std::optional<QHostAddress>)>;
    HostLookup();
    ~HostLookup();
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    // An address is answered at once, before this returns.
    void start(const std::string& host, Found found);

  private:
    std::unique_ptr<QObject> context_;  // the answers of forgotten lookups go with it
    int id_ = -1;
};

// "HOST:PORT" split; the host may be a name or an address ("[::1]:5000" for IPv6). Nothing when
// the text is not of that form or the port is not 1 to 65535.
struct HostAndPort {
    std::string host;
    std::uint16_t port = 0;
};
[[nodiscard]] std::optional<HostAndPort> parseHostAndPort(std::string_view text);

}  // namespace tilt::platform
