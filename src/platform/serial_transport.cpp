#include "platform/serial_transport.h"

#include <unistd.h>

#include <QSerialPort>
#include <algorithm>
#include <chrono>

#include "common/error.h"
#include "link/port_errors.h"

namespace tilt::platform {

namespace {
// How often a wait looks at its stop token. The wait sleeps in the system meanwhile.
constexpr std::chrono::milliseconds::rep kWaitSliceMs = 20;

// QtSerialPort reports a port held by another program (its lock file, or an exclusive open) as a
// permission error, like a user outside the dialout group. The device's own permissions tell
// the two apart.
bool mayOpen(const std::string& name) {
    // A bare name ("ttyUSB0") lives in /dev, as QtSerialPort has it.
    const std::string location = name.starts_with('/') ? name : "/dev/" + name;
    return ::access(location.c_str(), R_OK | W_OK) == 0;
}

Error openError(const QSerialPort& port, const std::string& name) {
    switch (port.error()) {
        case QSerialPort::DeviceNotFoundError:
            return link::noSuchPortError(name);
        case QSerialPort::PermissionError:
            return mayOpen(name) ? link::portInUseError(name) : link::portPermissionError(name);
        case QSerialPort::OpenError:
            return link::portInUseError(name);
        default:
            return Error(errc::kPortIo,
                         "Cannot open " + name + ": " + port.errorString().toStdString());
    }
}

// Timeouts are how waits end; anything else on an open port means the port itself failed.
bool failed(const QSerialPort& port) {
    const auto error = port.error();
    return error != QSerialPort::NoError && error != QSerialPort::TimeoutError;
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

void SerialTransport::throwIfFailed(QSerialPort& p) {
    if (failed(p)) {
        const std::string detail = p.errorString().toStdString();
        p.clearError();
        throw link::portLostError(portName_, detail);
    }
}

bool SerialTransport::waitForReadyRead(QSerialPort& p, int milliseconds) {
    // Without an event loop the port only takes in bytes when asked.
    p.clearError();
    const bool ready = p.waitForReadyRead(milliseconds);
    if (!ready) {
        throwIfFailed(p);
    }
    return ready;
}

void SerialTransport::write(std::uint8_t byte) {
    QSerialPort& p = port();
    const char c = static_cast<char>(byte);
    p.clearError();
    if (p.write(&c, 1) != 1) {
        throwIfFailed(p);
        throw Error(errc::kPortIo,
                    "Cannot write to " + portName_ + ": " + p.errorString().toStdString());
    }
    if (!p.flush() && p.bytesToWrite() > 0) {
        (void)p.waitForBytesWritten(static_cast<int>(kWaitSliceMs));
    }
    throwIfFailed(p);
}

std::size_t SerialTransport::bytesWaiting() {
    QSerialPort& p = port();
    (void)waitForReadyRead(p, 0);
    return static_cast<std::size_t>(p.bytesAvailable());
}

std::vector<std::uint8_t> SerialTransport::readAll() {
    QSerialPort& p = port();
    (void)waitForReadyRead(p, 0);
    const QByteArray data = p.readAll();
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
            (void)waitForReadyRead(p, 0);
            return static_cast<std::size_t>(p.bytesAvailable()) >= count;
        }
        (void)waitForReadyRead(p, static_cast<int>(std::min(left, kWaitSliceMs)));
    }
}

}  // namespace tilt::platform
