#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/transport.h"

namespace tilt::link {

// A port as the user picks it: a number, the system's name for it, and a description.
struct PortEntry {
    int number = 0;
    std::string name;
    std::string description;
    bool simulated = false;  // a simulated logger in this process, not a line to real hardware
};

// Turns port numbers into lines. Numbers are what the user sees and what the settings keep.
class PortCatalogue {
  public:
    virtual ~PortCatalogue() = default;

    [[nodiscard]] virtual std::vector<PortEntry> entries() const = 0;

    // Looks for ports that came or went since (a USB adapter plugged in, say).
    virtual void refresh() {}

    // A closed transport for port `number`; throws tilt::Error (invalid port number) when the
    // catalogue has no such port.
    [[nodiscard]] virtual std::unique_ptr<Transport> transportFor(int number) = 0;

    // The clock on which this catalogue's transports keep time.
    [[nodiscard]] virtual Clock& clock() = 0;
};

// The catalogue's entry for port `number`, if it lists one.
[[nodiscard]] inline std::optional<PortEntry> findPort(const PortCatalogue& catalogue, int number) {
    for (PortEntry& entry : catalogue.entries()) {
        if (entry.number == number) {
            return std::move(entry);
        }
    }
    return std::nullopt;
}

}  // namespace tilt::link
