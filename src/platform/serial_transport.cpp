#include "platform/serial_transport.h"

#include <QSerialPort>
#include <algorithm>
#include <chrono>

#include "shell/error.h"

namespace tilt::platform {

namespace {
// How often a wait looks at its stop token.
constexpr std::chrono::milliseconds::rep kWaitSliceMs = 20;

Error openError(const QSerialPort& port, const std::string& name) {
    switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            return Error(errc::kInvalidPortNumber, "Invalid port number: " + name +
                                                       " does not exist. Check the cable "
                                                       "and choose another port.");
        case QSerialPort::PermissionError:
            return Error(
                errc::kPermissionDenied,
                "Permission denied on " + name +
                    ": the port is in use by another "
                    "program, or your user may not use serial ports. On Linux, add your "
                    "user to the dialout group (sudo usermod -aG dialout $USER) and log in "
                    "again.");
        case QSerialPort::OpenError:
            return Error(errc::kPortAlreadyOpen, "Port already open: " + name + " is in use.");
        default:
            return Error(errc::kPortIo,
                         "Cannot open " + name + ": " + port.errorString().toStdString());
    }
}
}  // namespace

SerialTransport::SerialTransport(std::string portName, link::Clock& clock)
    : portName_(std::move(portName)), clock_(clock) {}

SerialTransport::~SerialTransport() {
    close();
}

void SerialTransport::open() {
    if (isOpen()) {
        return;
    }
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromStdString(portName_));
    if (!port->open(QIODevice::ReadWrite)) {
        throw openError(*port, portName_);
    }
    const bool configured =
        port->setBaudRate(QSerialPort::Baud19200) && port->setDataBits(QSerialPort::Data8) &&
        port->setParity(QSerialPort::NoParity) && port->setStopBits(QSerialPort::OneStop) &&
        port->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        const std::string why = port->errorString().toStdString();
        port->close();
        throw Error(errc::kPortIo, "Cannot set 19200 baud, 8N1 on " + portName_ + ": " + why);
    }
    port_ = std::move(port);
}

void SerialTransport::close() {
    if (port_) {
        port_->close();
        port_.reset();
    }
}

bool SerialTransport::isOpen() const {
    return port_ && port_->isOpen();
}

QSerialPort& SerialTransport::port() {
    if (!isOpen()) {
        throw Error(errc::kPortNotOpen, "The port is not open.");
    }
    return *port_;
}

void SerialTransport::pump() {
    // Without an event loop the port only takes in bytes when asked.
    (void)port().waitForReadyRead(0);
}

void SerialTransport::write(std::uint8_t byte) {
    QSerialPort& p = port();
    const char c = static_cast<char>(byte);
    if (p.write(&c, 1) != 1) {
        throw Error(errc::kPortIo,
                    "Cannot write to " + portName_ + ": " + p.errorString().toStdString());
    }
    if (!p.flush() && p.bytesToWrite() > 0) {
        (void)p.waitForBytesWritten(static_cast<int>(kWaitSliceMs));
    }
}

std::size_t SerialTransport::bytesWaiting() {
    pump();
    return static_cast<std::size_t>(port_->bytesAvailable());
}

std::vector<std::uint8_t> SerialTransport::readAll() {
    pump();
    const QByteArray data = port_->readAll();
    return {data.begin(), data.end()};
}

bool SerialTransport::waitForBytes(std::size_t count, link::Nanos deadline, std::stop_token stop) {
    QSerialPort& p = port();
    for (;;) {
        if (static_cast<std::size_t>(p.bytesAvailable()) >= count) {
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock_.now()).count();
        if (stop.stop_requested() || left <= 0) {
            pump();
            return static_cast<std::size_t>(p.bytesAvailable()) >= count;
        }
        (void)p.waitForReadyRead(static_cast<int>(std::min(left, kWaitSliceMs)));
    }
}

}  // namespace tilt::platform
