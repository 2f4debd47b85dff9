#pragma once

#include <memory>
#include <string>

#include "link/clock.h"
#include "link/transport.h"

class QSerialPort;

namespace tilt::platform {

// A system serial port through QtSerialPort, set to 19200 baud, 8 data bits, no parity, one stop
// bit, no flow control. Used from one thread (the device thread) without an event loop: reads
// and waits pump the port directly. A port that fails while open (the adapter pulled out) makes
// the next operation throw the lost-port error instead of waiting on a dead line.
class SerialTransport final : public link::Transport {
  public:
    SerialTransport(std::string portName, link::Clock& clock);
    ~SerialTransport() override;
    SerialTransport(const SerialTransport&) = delete;
    SerialTransport& operator=(const SerialTransport&) = delete;

    void open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override;
    void write(std::uint8_t byte) override;
    [[nodiscard]] std::size_t bytesWaiting() override;
    [[nodiscard]] std::vector<std::uint8_t> readAll() override;
    [[nodiscard]] bool waitForBytes(std::size_t count, link::Nanos deadline,
                                    std::stop_token stop) override;
    [[nodiscard]] std::string name() const override { return portName_; }

  private:
    QSerialPort& port();
    // Takes in what has arrived, waiting up to `milliseconds`; throws when the port failed.
    bool waitForReadyRead(QSerialPort& p, int milliseconds);
    void throwIfFailed(QSerialPort& p);

    std::string portName_;
    link::Clock& clock_;
    std::unique_ptr<QSerialPort> port_;
};

}  // namespace tilt::platform
