#pragma once

// Small drivers for talking to a SimDevice directly, in virtual time.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "device/sim_device.h"

namespace tilt::device::simtest {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// One 8N1 byte at 19200 baud, exactly.
inline constexpr double kByteNanos = 10.0 / 19200.0 * 1e9;

struct Arrival {
    Nanos at{0};
    std::uint8_t value = 0;
};

// Puts `bytes` on the line at `at`; the device queues them back to back.
inline void send(SimDevice& device, std::initializer_list<std::uint8_t> bytes, Nanos at) {
    for (const std::uint8_t b : bytes) {
        device.hostWrite(b, at);
    }
}

// Every reply byte that reaches the host by `until`, with its arrival time; the device's own
// work is run up to `until` as well.
inline std::vector<Arrival> drain(SimDevice& device, Nanos until) {
    std::vector<Arrival> out;
    while (const auto next = device.nextArrival()) {
        if (*next > until) {
            break;
        }
        device.advanceTo(*next);
        for (const std::uint8_t b : device.takeArrived(*next)) {
            out.push_back({*next, b});
        }
    }
    device.advanceTo(until);
    return out;
}

inline Bytes valuesOf(const std::vector<Arrival>& arrivals) {
    Bytes v;
    for (const auto& a : arrivals) {
        v.push_back(a.value);
    }
    return v;
}

inline Bytes bytesOf(std::span<const std::uint8_t> s) {
    return {s.begin(), s.end()};
}

inline bool allErased(std::span<const std::uint8_t> page) {
    return std::ranges::all_of(page, [](std::uint8_t b) { return b == 0xFF; });
}

inline int signedWord(std::uint8_t high, std::uint8_t low) {
    const int w = high * 256 + low;
    return w > 32767 ? w - 65536 : w;
}

}  // namespace tilt::device::simtest
