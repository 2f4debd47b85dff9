#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/sim_device.h"
#include "link/port_catalogue.h"
#include "link/transport.h"

namespace tilt::device {

// One simulated serial line: a device on it, or nothing (a port where no device answers), and
// whether a transport holds it open. Shared by the transports that open it over time.
class SimLine {
  public:
    SimLine(link::Clock& clock, std::optional<SimOptions> device);

    [[nodiscard]] link::Clock& clock() { return clock_; }

    // Runs `f` on the device (absent for a silent line) under the line's lock.
    template <typename F>
    decltype(auto) withDevice(F&& f) {
        const std::lock_guard lock(mutex_);
        return f(device_ ? &*device_ : static_cast<SimDevice*>(nullptr));
    }

    // Pulls the adapter out: a transport that holds the line open fails at its next use, and
    // the port cannot be opened until it is plugged in again.
    void unplug();
    void plugIn();
    // Pulls the adapter out once `bytes` more bytes have been written to the line: the write
    // that makes the count goes out, the next use of the line fails.
    void unplugAfterWrites(std::size_t bytes);

  private:
    friend class SimTransport;
    link::Clock& clock_;
    std::mutex mutex_;
    std::optional<SimDevice> device_;
    bool open_ = false;
    bool unplugged_ = false;
    std::optional<std::size_t> writesBeforeUnplug_;
};

// The host's end of a SimLine, in-process. Works on any clock: in virtual time a wait jumps to
// the next reply byte; in real time it sleeps until then.
class SimTransport final : public link::Transport {
  public:
    SimTransport(std::shared_ptr<SimLine> line, std::string name);
    ~SimTransport() override;
    SimTransport(const SimTransport&) = delete;
    SimTransport& operator=(const SimTransport&) = delete;

    void open() override;
    void close() override;
    [[nodiscard]] bool isOpen() const override { return open_; }
    void write(std::uint8_t byte) override;
    [[nodiscard]] std::size_t bytesWaiting() override;
    [[nodiscard]] std::vector<std::uint8_t> readAll() override;
    [[nodiscard]] bool waitForBytes(std::size_t count, link::Nanos deadline,
                                    std::stop_token stop) override;
    [[nodiscard]] std::string name() const override { return name_; }

  private:
    // Moves what has arrived by now into the receive buffer; returns the next arrival time.
    // Throws the lost-port error once the line has been unplugged.
    std::optional<link::Nanos> collect();
    void throwIfUnplugged() const;  // under the line's lock

    std::shared_ptr<SimLine> line_;
    std::string name_;
    bool open_ = false;
    std::vector<std::uint8_t> received_;
};

// A catalogue of simulated lines only: for tests, benchmarks and `tiltctl --port sim`.
class SimPortCatalogue final : public link::PortCatalogue {
  public:
    explicit SimPortCatalogue(link::Clock& clock) : clock_(clock) {}

    // Adds a line with a device (or a silent one) and returns its port number.
    int addDevice(const SimOptions& options, std::string name = "sim");
    int addSilentPort(std::string name);

    [[nodiscard]] std::shared_ptr<SimLine> line(int number) const;

    [[nodiscard]] std::vector<link::PortEntry> entries() const override;
    [[nodiscard]] std::unique_ptr<link::Transport> transportFor(int number) override;
    [[nodiscard]] link::Clock& clock() override { return clock_; }

  private:
    struct Entry {
        std::string name;
        std::string description;
        std::shared_ptr<SimLine> line;
    };
    link::Clock& clock_;
    std::vector<Entry> lines_;
};

}  // namespace tilt::device
