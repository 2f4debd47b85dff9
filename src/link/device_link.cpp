#include "link/device_link.h"

#include <algorithm>

#include "common/error.h"

namespace tilt::link {

DeviceLink::DeviceLink(PortCatalogue& catalogue) : catalogue_(catalogue) {}

DeviceLink::~DeviceLink() {
    try {
        close();
    } catch (...) {
        // A line that fails to close is released with the process.
    }
}

void DeviceLink::setPort(int number) {
    if (!isOpen()) {
        port_ = number;
    }
}

void DeviceLink::open() {
    if (isOpen()) {
        return;
    }
    auto transport = catalogue_.transportFor(port_);
    transport->open();
    transport_ = std::move(transport);
    pace_.forget();
    unansweredSince_.reset();
    lastReplyLate_ = false;
}

void DeviceLink::close() {
    if (transport_) {
        auto transport = std::move(transport_);
        transport->close();
    }
}

bool DeviceLink::isOpen() const {
    return transport_ && transport_->isOpen();
}

Transport& DeviceLink::openTransport() {
    if (!isOpen()) {
        throw Error(errc::kPortNotOpen, "The port is not open.");
    }
    return *transport_;
}

void DeviceLink::sendByte(std::uint8_t byte) {
    auto& transport = openTransport();
    outBytes.assign(1, byte);
    transport.write(outBytes.front());
}

void DeviceLink::delay(std::int32_t milliseconds) {
    if (milliseconds <= 0) {
        return;
    }
    clock().sleepFor(ms(milliseconds), stop_);
}

std::size_t DeviceLink::bytesWaiting() {
    return openTransport().bytesWaiting();
}

const std::vector<std::uint8_t>& DeviceLink::readAll() {
    outBytes = openTransport().readAll();
    return outBytes;
}

void DeviceLink::discardInput() {
    (void)openTransport().readAll();
}

bool DeviceLink::waitForBytes(std::size_t count, Nanos deadline) {
    return openTransport().waitForBytes(count, deadline, stop_);
}

bool DeviceLink::waitForReply(std::size_t count, Nanos asked, Nanos fallback) {
    const Nanos limit = pace_.silenceLimit(fallback);
    const Nanos giveUp = asked + fallback;
    Nanos newest = asked;
    std::size_t seen = bytesWaiting();
    for (;;) {
        // Byte by byte, so that the silence is measured from the newest one. A reply that has
        // not begun after one was already given up on may be a logger that has slowed down:
        // it is given the whole fallback to begin.
        const Nanos quiet = seen == 0 && unansweredSince_ ? fallback : limit;
        const std::size_t next = std::min(count, seen + 1);
        if (!waitForBytes(next, std::min(giveUp, newest + quiet))) {
            if (!stopRequested()) {
                pace_.judgedCut();
                if (seen == 0) {  // nothing came: lost, or a logger that has slowed down
                    unansweredSince_ = unansweredSince_.value_or(asked);
                }
            }
            return false;
        }
        seen = bytesWaiting();
        if (seen >= count) {
            // A reply that comes within the pace of the newest request is its answer (the one
            // before was lost); one that comes later answers the first request given up on.
            lastReplyLate_ = unansweredSince_ && now() - asked > limit;
            pace_.replied(now() - (lastReplyLate_ ? *unansweredSince_ : asked));
            unansweredSince_.reset();
            return true;
        }
        newest = now();
    }
}

}  // namespace tilt::link
