#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>

#include "common/thread_starter.h"

namespace tilt::link {

class DeviceLink;
class PortCatalogue;

// Opens and closes `port`; true when both worked. Never reports.
[[nodiscard]] bool testCommPort(DeviceLink& link, std::int16_t port);

// The handshake: open `port`, send 'f', wait 500 ms, read everything, close. The device is there
// when exactly one byte came back and it is 'f'. Never reports; every failure is false.
[[nodiscard]] bool detectDevice(DeviceLink& link, std::int16_t port);

// testCommPort then detectDevice on a link of its own.
[[nodiscard]] bool probePort(PortCatalogue& catalogue, std::int16_t port, std::stop_token stop);

// Searches ports first..last for the device and returns the lowest that answers. Ports are
// probed at once, each on its own thread, so the search takes about one handshake however
// many ports there are; the answer comes as soon as every lower port has been ruled out.
// `probe` is called on worker threads; `onPortDone` (if set) after each port's verdict, on
// those threads too.
using PortProbe = std::function<bool(std::int16_t port, std::stop_token stop)>;
using PortVerdict = std::function<void(std::int16_t port, bool found)>;

using ThreadStarter = tilt::ThreadStarter;
[[nodiscard]] ThreadStarter standardThreads();

struct SearchOptions {
    PortVerdict onPortDone;
    std::stop_token stop;
    ThreadStarter threads = standardThreads();
};

[[nodiscard]] std::optional<std::int16_t> findDevice(std::int16_t first, std::int16_t last,
                                                     const PortProbe& probe,
                                                     const SearchOptions& options = {});

}  // namespace tilt::link
