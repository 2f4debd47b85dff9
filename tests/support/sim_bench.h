#pragma once

#include <cstdint>
#include <stop_token>
#include <string>
#include <vector>

#include "device/sim_transport.h"
#include "link/clock.h"
#include "link/device_link.h"
#include "link/job_scope.h"

namespace tilt::testing {

// A simulated logger that holds a recording of `pages` data pages.
inline device::SimOptions recording(device::Preload preload, int pages = 40, std::uint64_t seed = 1,
                                    int pushes = 3) {
    device::SimOptions options;
    options.preload = preload;
    options.pages = pages;
    options.seed = seed;
    options.pushes = pushes;
    return options;
}

// A simulated device on port 1 of a virtual-time catalogue, and a link to it.
struct SimBench {
    explicit SimBench(device::SimOptions options = {}) {
        port = static_cast<std::int16_t>(catalogue.addDevice(options));
        link.setPort(port);
    }

    // Bytes the device received, with times in milliseconds since the first of them.
    struct Received {
        double ms;
        std::uint8_t value;
    };
    std::vector<Received> received() {
        return catalogue.line(port)->withDevice([](device::SimDevice* d) {
            std::vector<Received> out;
            for (const auto& r : d->rxLog()) {
                out.push_back({std::chrono::duration<double, std::milli>(r.at).count(), r.value});
            }
            return out;
        });
    }
    std::vector<std::uint8_t> receivedBytes() {
        std::vector<std::uint8_t> bytes;
        for (const auto& r : received()) {
            bytes.push_back(r.value);
        }
        return bytes;
    }
    // `count` byte values of `rx` from `from` on, fewer where it ends first.
    static std::vector<std::uint8_t> valuesOf(const std::vector<Received>& rx, std::size_t from,
                                              std::size_t count) {
        std::vector<std::uint8_t> values;
        for (std::size_t i = from; i < rx.size() && i < from + count; ++i) {
            values.push_back(rx[i].value);
        }
        return values;
    }
    // Milliseconds of virtual time since `start`.
    [[nodiscard]] double msSince(link::Nanos start) const {
        return std::chrono::duration<double, std::milli>(clock.now() - start).count();
    }
    // A job on this link and the device's port, its reports to `errors` naming `screen`.
    link::JobScope job(ErrorReporter& errors, std::string screen) {
        return {link, port, errors, std::move(screen)};
    }

    // Lets `stop` halt what runs on the link.
    std::stop_source& stoppable() {
        link.setStopToken(stop.get_token());
        return stop;
    }

    device::DeviceMemory& memory() {
        return catalogue.line(port)->withDevice(
            [](device::SimDevice* d) -> device::DeviceMemory& { return d->memory(); });
    }

    link::SimClock clock;
    device::SimPortCatalogue catalogue{clock};
    std::int16_t port = 0;
    link::DeviceLink link{catalogue};
    std::stop_source stop;
};

}  // namespace tilt::testing
