#pragma once

#include <cstddef>
#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

#include "link/clock.h"

namespace tilt::link {

// One serial line to a device: a real port, the in-process simulated device, or a
// pseudo-terminal. Failures a user can meet (no such port, port busy, no permission) throw
// tilt::Error with a message that says what to do.
class Transport {
  public:
    virtual ~Transport() = default;

    virtual void open() = 0;
    virtual void close() = 0;
    [[nodiscard]] virtual bool isOpen() const = 0;

    // Queues one byte on the line; returns without waiting for it to be sent.
    virtual void write(std::uint8_t byte) = 0;

    // Bytes received and not yet read.
    [[nodiscard]] virtual std::size_t bytesWaiting() = 0;

    // Takes every byte received so far.
    [[nodiscard]] virtual std::vector<std::uint8_t> readAll() = 0;

    // Waits until at least `count` bytes are waiting, `deadline` (on the transport's clock)
    // passes, or a stop is requested. True when the bytes are there.
    [[nodiscard]] virtual bool waitForBytes(std::size_t count, Nanos deadline,
                                            std::stop_token stop) = 0;

    // The system's name of the line, for messages.
    [[nodiscard]] virtual std::string name() const = 0;
};

}  // namespace tilt::link
