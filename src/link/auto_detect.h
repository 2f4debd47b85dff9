#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stop_token>

#include "link/port_probe.h"

namespace tilt::link {

class PortCatalogue;

inline constexpr std::int16_t kFirstSearchPort = 1;
inline constexpr std::int16_t kLastSearchPort = 16;

// Where a search stands: the port whose verdict decides next (the lowest one still being
// probed) and how many ports have had their verdict.
struct SearchProgress {
    std::int16_t trying = 0;
    int checked = 0;
    int total = 0;
};

// Probes ports 1 to 16 (all at once) and returns the lowest that answers the handshake.
// `onProgress` is called after each verdict, from the probing threads.
[[nodiscard]] std::optional<std::int16_t> autoDetect(
    PortCatalogue& catalogue, const ThreadStarter& threads,
    const std::function<void(const SearchProgress&)>& onProgress, std::stop_token stop);

}  // namespace tilt::link
