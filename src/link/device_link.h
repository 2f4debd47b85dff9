#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <vector>

#include "link/clock.h"
#include "link/port_catalogue.h"
#include "link/reply_pace.h"
#include "link/transport.h"

namespace tilt::link {

// One serial control: a port number, the line behind it while open, and the byte array through
// which every byte is sent and every reply is read. Operations are written as plain sequences
// of these primitives; pauses and waits use the catalogue's clock and end early when the stop
// token is triggered.
class DeviceLink {
  public:
    explicit DeviceLink(PortCatalogue& catalogue);
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // The port the next open() uses. Ignored while open, as for a real control.
    void setPort(int number);
    [[nodiscard]] int port() const { return port_; }

    void open();   // throws tilt::Error when the port cannot be opened
    void close();  // closing a closed link does nothing
    [[nodiscard]] bool isOpen() const;

    // Puts `byte` into outBytes and writes outBytes; throws when the port is closed.
    void sendByte(std::uint8_t byte);

    // Pauses for at least `milliseconds` (nothing for 0 or less).
    void delay(std::int32_t milliseconds);

    [[nodiscard]] std::size_t bytesWaiting();

    // Moves every waiting byte into outBytes and returns it.
    const std::vector<std::uint8_t>& readAll();

    // Reads and drops whatever is waiting.
    void discardInput();

    // Waits until `count` bytes are waiting or `deadline` passes. True when they are there.
    [[nodiscard]] bool waitForBytes(std::size_t count, Nanos deadline);

    // Waits for the `count` bytes of the reply to a request that went out at `asked`: until they
    // are all there (true), or the line has been quiet for the pace's limit since the request or
    // the reply's newest byte, or `fallback` has passed since the request. A whole reply teaches
    // the pace its time; one given up on lets the next wait be longer.
    [[nodiscard]] bool waitForReply(std::size_t count, Nanos asked, Nanos fallback);

    // Whether the last whole reply came after a request before it had been given up on: the
    // answers to the requests sent since may still be on their way.
    [[nodiscard]] bool lastReplyWasLate() const { return lastReplyLate_; }

    // The pace of the logger on this connection; forgotten when the port opens.
    [[nodiscard]] ReplyPace& pace() { return pace_; }

    [[nodiscard]] Clock& clock() { return catalogue_.clock(); }
    [[nodiscard]] Nanos now() { return clock().now(); }

    void setStopToken(std::stop_token stop) { stop_ = std::move(stop); }
    [[nodiscard]] const std::stop_token& stopToken() const { return stop_; }
    [[nodiscard]] bool stopRequested() const { return stop_.stop_requested(); }

    std::vector<std::uint8_t> outBytes;

  private:
    Transport& openTransport();

    PortCatalogue& catalogue_;
    int port_ = 0;
    std::unique_ptr<Transport> transport_;
    std::stop_token stop_;
    ReplyPace pace_;
    std::optional<Nanos> unansweredSince_;  // the first request given up on since a whole reply
    bool lastReplyLate_ = false;
};

}  // namespace tilt::link
