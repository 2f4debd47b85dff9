#include "link/device_link.h"

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

}  // namespace tilt::link
