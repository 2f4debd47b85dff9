#pragma once

// Small drivers for talking to a SimDevice directly, in virtual time.

#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <vector>

#include "device/sim_device.h"

namespace tilt::device::simtest {

using namespace std::chrono_literals;

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

inline std::vector<std::uint8_t> valuesOf(const std::vector<Arrival>& arrivals) {
    std::vector<std::uint8_t> v;
    for (const auto& a : arrivals) {
        v.push_back(a.value);
    }
    return v;
}

inline std::vector<std::uint8_t> bytesOf(std::span<const std::uint8_t> s) {
    return {s.begin(), s.end()};
}

inline bool allErased(std::span<const std::uint8_t> page) {
    for (const std::uint8_t b : page) {
        if (b != 0xFF) {
            return false;
        }
    }
    return true;
}

inline bool startsErased(std::span<const std::uint8_t> page) {
    return allErased(page.first(6));
}

inline std::uint8_t hi(int word) {
    return static_cast<std::uint8_t>((word >> 8) & 0xFF);
}
inline std::uint8_t lo(int word) {
    return static_cast<std::uint8_t>(word & 0xFF);
}

inline int signedWord(std::uint8_t high, std::uint8_t low) {
    const int w = high * 256 + low;
    return w > 32767 ? w - 65536 : w;
}

}  // namespace tilt::device::simtest
