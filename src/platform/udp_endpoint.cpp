#include "platform/udp_endpoint.h"

#include <QHostInfo>
#include <QNetworkInterface>
#include <QObject>
#include <QUdpSocket>
#include <algorithm>
#include <charconv>

namespace tilt::platform {

namespace {

// Ports below this one are reserved for the administrator on Unix-like systems.
constexpr std::uint16_t kFirstUnprivilegedPort = 1024;

std::string bindFailure(std::uint16_t port, const QUdpSocket& socket) {
    const std::string named = "UDP port " + std::to_string(port);
    switch (socket.error()) {
        case QAbstractSocket::AddressInUseError:
            return named + " is in use by another program.";
        case QAbstractSocket::SocketAccessError:
            if (port < kFirstUnprivilegedPort) {
                return named + " needs administrator rights: ports below " +
                       std::to_string(kFirstUnprivilegedPort) + " are reserved on this system.";
            }
            return named + " may not be used: " + socket.errorString().toStdString() + ".";
        default:
            return named + " cannot be bound: " + socket.errorString().toStdString() + ".";
    }
}

std::optional<QHostAddress> preferredAddress(const QList<QHostAddress>& addresses) {
    const auto v4 = std::find_if(addresses.begin(), addresses.end(), [](const QHostAddress& a) {
        return a.protocol() == QAbstractSocket::IPv4Protocol;
    });
    if (v4 != addresses.end()) {
        return *v4;
    }
    if (!addresses.isEmpty()) {
        return addresses.front();
    }
    return std::nullopt;
}

std::optional<QHostAddress> literalAddress(const std::string& host) {
    QHostAddress address;
    if (address.setAddress(QString::fromStdString(host))) {
        return address;
    }
    return std::nullopt;
}

}  // namespace

UdpEndpoint::UdpEndpoint() : socket_(std::make_unique<QUdpSocket>()) {}

UdpEndpoint::~UdpEndpoint() = default;

std::optional<std::string> UdpEndpoint::bind(std::uint16_t port) {
    close();
    // Exclusively: a second program on the same port would take our datagrams at random.
    if (socket_->bind(QHostAddress::Any, port, QAbstractSocket::DontShareAddress)) {
        return std::nullopt;
    }
    std::string failure = bindFailure(port, *socket_);
    close();
    return failure;
}

void UdpEndpoint::close() {
    socket_->close();
}

bool UdpEndpoint::isBound() const {
    return socket_->state() == QAbstractSocket::BoundState;
}

std::uint16_t UdpEndpoint::boundPort() const {
    return isBound() ? socket_->localPort() : std::uint16_t{0};
}

bool UdpEndpoint::sendTo(const UdpPeer& peer, std::string_view bytes) {
    if (peer.address.isNull() || peer.port == 0) {
        return false;
    }
    const qint64 sent = socket_->writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()),
                                               peer.address, peer.port);
    return sent == static_cast<qint64>(bytes.size());
}

void UdpEndpoint::onArrival(std::function<void()> handler) {
    QObject::disconnect(socket_.get(), &QUdpSocket::readyRead, nullptr, nullptr);
    if (handler) {
        QObject::connect(socket_.get(), &QUdpSocket::readyRead, std::move(handler));
    }
}

std::vector<std::string> UdpEndpoint::receive(std::size_t maxCount, std::size_t maxBytes) {
    std::vector<std::string> datagrams;
    while (datagrams.size() < maxCount && socket_->hasPendingDatagrams()) {
        const qint64 pending = socket_->pendingDatagramSize();
        // A datagram longer than `maxBytes` is cut: the system drops the rest of it.
        const auto size = static_cast<std::size_t>(std::max<qint64>(pending, 0));
        std::string datagram(std::max<std::size_t>(std::min(size, maxBytes), 1), '\0');
        const qint64 read =
            socket_->readDatagram(datagram.data(), static_cast<qint64>(datagram.size()));
        if (read < 0) {
            break;
        }
        datagram.resize(static_cast<std::size_t>(read));
        datagrams.push_back(std::move(datagram));
    }
    return datagrams;
}

bool UdpEndpoint::waitForDatagrams(std::chrono::milliseconds timeout) {
    if (socket_->hasPendingDatagrams()) {
        return true;
    }
    return socket_->waitForReadyRead(static_cast<int>(timeout.count()));
}

std::string localComputerName() {
    return QHostInfo::localHostName().toStdString();
}

std::optional<std::string> localIPv4Address() {
    std::optional<QHostAddress> loopback;
    for (const QNetworkInterface& face : QNetworkInterface::allInterfaces()) {
        const auto flags = face.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) ||
            !flags.testFlag(QNetworkInterface::IsRunning)) {
            continue;
        }
        for (const QNetworkAddressEntry& entry : face.addressEntries()) {
            const QHostAddress& ip = entry.ip();
            if (ip.protocol() != QAbstractSocket::IPv4Protocol) {
                continue;
            }
            if (!ip.isLoopback()) {
                return ip.toString().toStdString();
            }
            if (!loopback) {
                loopback = ip;
            }
        }
    }
    if (loopback) {
        return loopback->toString().toStdString();
    }
    return std::nullopt;
}

std::optional<QHostAddress> resolveHost(const std::string& host) {
    if (auto address = literalAddress(host)) {
        return address;
    }
    const QHostInfo info = QHostInfo::fromName(QString::fromStdString(host));
    return preferredAddress(info.addresses());
}

// Takes a lookup's answer. A receiver with a slot, not a functor: Qt keeps a functor of a
// lookup that is aborted, or still under way when the program ends, and never frees it.
class LookupAnswer : public QObject {
    Q_OBJECT
  public:
    explicit LookupAnswer(std::function<void(const QHostInfo&)> take) : take_(std::move(take)) {}

  public slots:
    void answered(const QHostInfo& info) { take_(info); }

  private:
    std::function<void(const QHostInfo&)> take_;
};

HostLookup::HostLookup() = default;

HostLookup::~HostLookup() {
    if (id_ >= 0) {
        QHostInfo::abortHostLookup(id_);
    }
}

void HostLookup::start(const std::string& host, Found found) {
    if (id_ >= 0) {
        QHostInfo::abortHostLookup(id_);
        id_ = -1;
    }
    context_.reset();  // drops the answer of any lookup still under way
    if (auto address = literalAddress(host)) {
        found(address);
        return;
    }
    context_ =
        std::make_unique<LookupAnswer>([this, found = std::move(found)](const QHostInfo& info) {
            id_ = -1;
            found(preferredAddress(info.addresses()));
        });
    id_ = QHostInfo::lookupHost(QString::fromStdString(host), context_.get(),
                                SLOT(answered(QHostInfo)));
}

std::optional<HostAndPort> parseHostAndPort(std::string_view text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0) {
        return std::nullopt;
    }
    std::string_view host = text.substr(0, colon);
    const std::string_view portText = text.substr(colon + 1);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string_view::npos) {
        return std::nullopt;  // an IPv6 address needs its brackets
    }
    unsigned port = 0;
    const auto [end, error] =
        std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (host.empty() || error != std::errc{} || end != portText.data() + portText.size() ||
        port < 1 || port > 65535) {
        return std::nullopt;
    }
    return HostAndPort{std::string(host), static_cast<std::uint16_t>(port)};
}

}  // namespace tilt::platform

#include "udp_endpoint.moc"
