#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/sim_options.h"
#include "link/port_catalogue.h"

namespace tilt::device {
class SimLine;
}

namespace tilt::platform {

// The ports a user can pick, numbered in a stable order: simulated devices first (with
// --simulate the simulated device is port 1), then ports named on the command line (a tiltsim
// pseudo-terminal, say), then the system's serial ports sorted by name. On Windows a number
// that is none of these is COM<number>.
class SystemPortCatalogue final : public link::PortCatalogue {
  public:
    explicit SystemPortCatalogue(link::Clock& clock);

    int addSimulatedDevice(const device::SimOptions& options);
    int addNamedPort(const std::string& path);

    // Lists the system's serial ports again (numbers of earlier entries stay).
    void refreshSystemPorts();

    [[nodiscard]] std::vector<link::PortEntry> entries() const override;
    void refresh() override { refreshSystemPorts(); }
    [[nodiscard]] std::unique_ptr<link::Transport> transportFor(int number) override;
    [[nodiscard]] link::Clock& clock() override { return clock_; }

    // The port number of `name` (a path, or "sim"), if listed.
    [[nodiscard]] std::optional<int> numberOf(const std::string& name) const;

  private:
    struct Entry {
        link::PortEntry port;
        std::shared_ptr<device::SimLine> sim;  // set for simulated devices
    };
    [[nodiscard]] std::vector<link::PortEntry> entriesLocked() const;
    // Lists the system's ports the first time they are needed.
    void ensureScanned() const;

    link::Clock& clock_;
    mutable std::mutex mutex_;
    mutable std::mutex scanMutex_;              // held through a first scan of the system's ports
    std::vector<Entry> fixed_;                  // simulated and named ports
    std::vector<link::PortEntry> system_;       // numbered after the fixed ones
    std::map<std::string, int> systemNumbers_;  // every system port seen, by location
    bool scanned_ = false;                      // the system's ports have been listed
};

}  // namespace tilt::platform
