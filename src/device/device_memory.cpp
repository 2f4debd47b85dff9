#include "device/device_memory.h"

#include <algorithm>
#include <cmath>

#include "device/attitude.h"
#include "device/random.h"

namespace tilt::device {

namespace {
constexpr double kRecordingRateHz = 15.0;
constexpr double kBinPeriodSeconds = 60.0;

int angleCells(double angle, double fullScale) {
    const int word = angleWord(angle, fullScale);
    return word < 0 ? word + 65536 : word;
}

void writeFactoryConfiguration(DeviceMemory& m, std::uint64_t seed) {
    m.eeprom.fill(0xFF);
    const int offsets[] = {323, 408, 322};
    const int gains[] = {323, 324, 322};
    for (int axis = 0; axis < 3; ++axis) {
        m.setWord(cell::kOffsetX + 2 * axis, offsets[axis]);
        m.setWord(cell::kGainX + 2 * axis, gains[axis]);
    }
    m.setWord(cell::kTareX, 0);
    m.setWord(cell::kTareY, 0);
    m.setWord(18, angleCells(-180, 180));  // alarms: the whole range
    m.setWord(20, angleCells(180, 180));
    m.setWord(22, angleCells(-90, 90));
    m.setWord(24, angleCells(90, 90));
    m.setWord(26, 0);
    m.setWord(28, 65535);
    const std::uint8_t bytes[][2] = {{30, 3}, {31, 1}, {32, 0}, {33, 1}, {34, 1}, {42, 1}, {43, 3}};
    for (const auto& [address, value] : bytes) {
        m.eeprom[address] = value;
    }
    for (int dac = 62; dac <= 68; dac += 2) {
        m.setWord(dac, 512);
    }
    Random random(seed ^ 0x5E71A1ULL);
    m.setWord(cell::kSerialNumber, 1000 + random.below(9000));
    m.eeprom[cell::kLinearRate] = 15;
    // Launched 2 November 2026 at 08:30:00 (month stored after the second).
    const int launch[] = {2, 2026 / 256, 2026 % 256, 8, 30, 0, 11};
    for (int i = 0; i < 7; ++i) {
        m.eeprom[static_cast<std::size_t>(cell::kLaunchDay + i)] =
            static_cast<std::uint8_t>(launch[i]);
    }
}

void writeCounts(std::span<std::uint8_t> page, const std::vector<int>& counts) {
    for (std::size_t i = 0; i < counts.size(); ++i) {
        page[2 * i] = static_cast<std::uint8_t>(counts[i] >> 8);
        page[2 * i + 1] = static_cast<std::uint8_t>(counts[i] & 0xFF);
    }
}

void placePushes(DeviceMemory& m, const SimOptions& o, std::int64_t samples) {
    // Pushes fall at distinct samples, one in each equal stretch of the recording.
    Random random(o.seed ^ 0xB0770AULL);
    const std::int64_t pushes = std::min<std::int64_t>(o.pushes, samples);
    if (pushes <= 0) {
        return;
    }
    const std::int64_t stretch = samples / pushes;
    auto data = std::span(m.flash).subspan(kFlashPageBytes);
    for (std::int64_t k = 0; k < pushes; ++k) {
        const auto n =
            static_cast<std::size_t>(k * stretch + random.below(static_cast<int>(stretch)));
        data[2 * n] = kMarker;
        data[2 * n + 1] = kMarker;
    }
}
}  // namespace

std::span<std::uint8_t> DeviceMemory::page(int number) {
    return std::span(flash).subspan(static_cast<std::size_t>(number) * kFlashPageBytes,
                                    kFlashPageBytes);
}

std::span<const std::uint8_t> DeviceMemory::page(int number) const {
    return std::span(flash).subspan(static_cast<std::size_t>(number) * kFlashPageBytes,
                                    kFlashPageBytes);
}

int DeviceMemory::word(int address) const {
    return eeprom[static_cast<std::size_t>(address)] * 256 +
           eeprom[static_cast<std::size_t>(address + 1)];
}

void DeviceMemory::setWord(int address, int value) {
    eeprom[static_cast<std::size_t>(address)] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
    eeprom[static_cast<std::size_t>(address + 1)] = static_cast<std::uint8_t>(value & 0xFF);
}

double linearRateHz(const DeviceMemory& memory) {
    return memory.eeprom[cell::kLinearRate] == 75 ? 7.5 : 15.0;
}

std::int64_t recordLinearSamples(DeviceMemory& memory, int channel, const Attitude& attitude,
                                 std::int64_t from, std::int64_t to, double startSeconds,
                                 double rateHz) {
    const std::size_t bytesPerSample = channel == 3 ? 2 : 1;
    auto data = std::span(memory.flash).subspan(kFlashPageBytes);
    const auto capacity = static_cast<std::int64_t>(data.size() / bytesPerSample);
    to = std::min(to, capacity);
    for (std::int64_t n = from; n < to; ++n) {
        const double t = startSeconds + static_cast<double>(n) / rateHz;
        const auto at = static_cast<std::size_t>(n) * bytesPerSample;
        if (channel == 2) {
            data[at] = sampleByte(attitude.angleY(t), 90);
        } else if (channel == 3) {
            data[at] = sampleByte(attitude.angleX(t), 180);
            data[at + 1] = sampleByte(attitude.angleY(t), 90);
        } else {
            data[at] = sampleByte(attitude.angleX(t), 180);
        }
    }
    return std::max(to, from);
}

bool recordBinPair(DeviceMemory& memory, int pair, const Attitude& attitude, double startSeconds,
                   double periodSeconds, double rateHz) {
    const int xPage = 2 * pair + 1;
    if (xPage >= kFlashPages) {
        return false;
    }
    std::vector<int> x(132, 0);
    std::vector<int> y(132, 0);
    const auto samples = static_cast<int>(periodSeconds * rateHz);
    for (int n = 0; n < samples; ++n) {
        const double t = startSeconds + pair * periodSeconds + n / rateHz;
        const auto bx = std::lround((attitude.angleX(t) + 180.0) * 132.0 / 361.0);
        const auto by = std::lround((attitude.angleY(t) + 90.0) * 132.0 / 181.0);
        ++x[static_cast<std::size_t>(std::clamp<long>(bx, 0, 131))];
        ++y[static_cast<std::size_t>(std::clamp<long>(by, 0, 131))];
    }
    writeCounts(memory.page(xPage), x);
    if (xPage + 1 < kFlashPages) {
        writeCounts(memory.page(xPage + 1), y);
    }
    return true;
}

void DeviceMemory::eraseFlash() {
    std::fill(flash.begin(), flash.end(), std::uint8_t{0xFF});
}

void writeSessionHeaderPage(DeviceMemory& memory) {
    auto page0 = memory.page(0);
    std::copy(memory.eeprom.begin(), memory.eeprom.end(), page0.begin());
    std::fill(page0.begin() + 256, page0.end(), std::uint8_t{0});
    page0[0] = 0;  // never mistaken for erased memory
}

DeviceMemory powerUpMemory(const SimOptions& options) {
    DeviceMemory m;
    writeFactoryConfiguration(m, options.seed);
    if (options.preload == Preload::Empty) {
        return m;
    }
    SimOptions o = options;
    o.pages = std::clamp(o.pages, 0, kFlashPages - 1);
    const Attitude attitude(o.seed);
    if (o.preload == Preload::Bin) {
        m.eeprom[cell::kMode] = 0;
        for (int pair = 0; 2 * pair + 1 <= o.pages; ++pair) {
            recordBinPair(m, pair, attitude, 0.0, kBinPeriodSeconds, kRecordingRateHz);
        }
        if (o.pages % 2 == 1 && o.pages + 1 < kFlashPages) {  // an odd count ends on an X page
            std::fill(m.page(o.pages + 1).begin(), m.page(o.pages + 1).end(), std::uint8_t{0xFF});
        }
    } else {
        const int channel = o.preload == Preload::Linear1   ? 1
                            : o.preload == Preload::Linear2 ? 2
                                                            : 3;
        m.eeprom[cell::kMode] = 1;
        m.eeprom[cell::kChannel] = static_cast<std::uint8_t>(channel);
        const auto bytes =
            static_cast<std::int64_t>(o.pages) * static_cast<std::int64_t>(kFlashPageBytes);
        const std::int64_t samples = channel == 3 ? bytes / 2 : bytes;
        recordLinearSamples(m, channel, attitude, 0, samples, 0.0, kRecordingRateHz);
        if (channel == 3) {
            placePushes(m, o, samples);
        }
    }
    writeSessionHeaderPage(m);
    return m;
}

}  // namespace tilt::device
