#include "live/live_writes.h"

#include <string>

#include "common/error.h"
#include "config/parameter_map.h"
#include "link/device_link.h"
#include "link/protocol.h"

namespace tilt::live {

namespace {
constexpr std::int32_t kAfterTareHighMs = 500;
constexpr std::int32_t kAfterDacByteMs = 100;

int cellOf(config::Field field) {
    return config::parameterOf(field).address;
}

// Both bytes of a word, checked before anything goes out.
std::pair<int, int> wordBytes(int word) {
    if (word < 0 || word > 65535) {
        throw Error(errc::kOverflow, "Overflow: " + std::to_string(word) +
                                         " does not fit in two bytes (0 to 65535); nothing was "
                                         "sent.");
    }
    return {word / 256, word & 255};
}

// A pause inside a two-cell write is kept even when a stop comes: the word goes out whole and
// paced as the device wants it.
void keptPause(link::DeviceLink& link, std::int32_t milliseconds) {
    link.clock().sleepFor(link::ms(milliseconds), {});
}

void writeTareWord(link::DeviceLink& link, Axis axis, int word) {
    const auto [high, low] = wordBytes(word);
    const int cell = tareCell(axis);
    link::requestWriteByte(link, cell, high);
    keptPause(link, kAfterTareHighMs);
    link::requestWriteByte(link, cell + 1, low);
}
}  // namespace

int tareCell(Axis axis) {
    return cellOf(axis == Axis::X ? config::Field::TareX : config::Field::TareY);
}

void writeTare(link::DeviceLink& link, Axis axis, int rawWord) {
    writeTareWord(link, axis, rawWord < 0 ? rawWord + 65536 : rawWord);
}

void removeTare(link::DeviceLink& link, Axis axis) {
    writeTareWord(link, axis, 0);
}

int dacCell(int dac) {
    switch (dac) {
        case 1:
            return cellOf(config::Field::Dac1);
        case 2:
            return cellOf(config::Field::Dac2);
        case 3:
            return cellOf(config::Field::Dac3);
        default:
            break;
    }
    throw Error(errc::kBadArgument,
                "There is no DAC " + std::to_string(dac) + "; DACs are 1 to 3.");
}

void writeDac(link::DeviceLink& link, int dac, int value) {
    const int cell = dacCell(dac);
    const auto [high, low] = wordBytes(value);
    link::requestWriteByte(link, cell, high);
    keptPause(link, kAfterDacByteMs);
    link::requestWriteByte(link, cell + 1, low);
    keptPause(link, kAfterDacByteMs);
}

}  // namespace tilt::live
