#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "device/sim_device.h"
#include "device/sim_line_helpers.h"

namespace tilt::device {
namespace {

using namespace simtest;

SimOptions recording(Preload preload, int pages, std::uint64_t seed = 1, int pushes = 3) {
    SimOptions o;
    o.preload = preload;
    o.pages = pages;
    o.seed = seed;
    o.pushes = pushes;
    return o;
}

TEST(SimMemory, PowerUp_HoldsTheFactoryConfiguration) {
    const SimDevice dev(SimOptions{});
    const DeviceMemory& m = dev.memory();
    const std::pair<int, int> words[] = {
        {2, 323}, {4, 408},    {6, 322},     {8, 323},     {10, 324},    {12, 322},
        {14, 0},  {16, 0},     {18, 0x8001}, {20, 0x7FFF}, {22, 0x8001}, {24, 0x7FFF},
        {26, 0},  {28, 65535}, {62, 512},    {64, 512},    {66, 512},    {68, 512},
    };
    for (const auto& [address, value] : words) {
        EXPECT_EQ(m.eeprom[address] * 256 + m.eeprom[address + 1], value) << "word " << address;
    }
    const std::pair<int, int> bytes[] = {{30, 3}, {31, 1}, {32, 0}, {33, 1},
                                         {34, 1}, {42, 1}, {43, 3}, {102, 15}};
    for (const auto& [address, value] : bytes) {
        EXPECT_EQ(m.eeprom[address], value) << "cell " << address;
    }
    // Serial number and launch time (day, year, hour, minute, second, month) must be plausible.
    struct Range {
        int address, wordBytes, low, high;
    };
    const Range ranges[] = {{100, 2, 1, 65534}, {103, 1, 1, 31}, {104, 2, 2000, 2100},
                            {106, 1, 0, 23},    {107, 1, 0, 59}, {108, 1, 0, 59},
                            {109, 1, 1, 12}};
    for (const auto& r : ranges) {
        const int v = r.wordBytes == 2 ? m.word(r.address) : m.eeprom[r.address];
        EXPECT_GE(v, r.low) << "cell " << r.address;
        EXPECT_LE(v, r.high) << "cell " << r.address;
    }
}

TEST(SimRecording, EachPreload_FillsPagesOneToNAndLeavesTheRestErased) {
    struct Case {
        Preload preload;
        int pages;
        int mode;
        std::optional<int> channel;
    };
    const Case cases[] = {
        {Preload::Bin, 1, 0, std::nullopt}, {Preload::Bin, 40, 0, std::nullopt},
        {Preload::Bin, 7, 0, std::nullopt}, {Preload::Bin, 2047, 0, std::nullopt},
        {Preload::Linear1, 1, 1, 1},        {Preload::Linear1, 33, 1, 1},
        {Preload::Linear2, 40, 1, 2},       {Preload::Linear3, 5, 1, 3},
        {Preload::Linear3, 2047, 1, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(preloadName(c.preload)) + " " + std::to_string(c.pages));
        const SimDevice dev(recording(c.preload, c.pages));
        const DeviceMemory& m = dev.memory();
        EXPECT_EQ(m.eeprom[42], c.mode);
        if (c.channel) {
            EXPECT_EQ(m.eeprom[43], *c.channel);
        }
        for (int p = 1; p <= c.pages; ++p) {
            ASSERT_FALSE(startsErased(m.page(p))) << "page " << p;
        }
        for (int p = c.pages + 1; p < kFlashPages; ++p) {
            ASSERT_TRUE(allErased(m.page(p))) << "page " << p;
        }
    }
}

TEST(SimRecording, EmptyPreload_LeavesTheWholeFlashErased) {
    const SimDevice dev(recording(Preload::Empty, 40));
    for (int p = 0; p < kFlashPages; ++p) {
        ASSERT_TRUE(allErased(dev.memory().page(p))) << "page " << p;
    }
}

TEST(SimRecording, Linear3_HoldsExactlyTheRequestedMarkerPairs) {
    const std::pair<int, int> cases[] = {{5, 0}, {5, 1}, {40, 3}, {40, 25}, {2047, 9}};
    for (const auto& [pages, pushes] : cases) {
        SCOPED_TRACE(std::to_string(pages) + " pages, " + std::to_string(pushes) + " pushes");
        const SimDevice dev(recording(Preload::Linear3, pages, 11, pushes));
        const auto& flash = dev.memory().flash;
        int markers = 0;
        for (std::size_t i = kFlashPageBytes; i + 1 < flash.size(); i += 2) {
            markers += flash[i] == 127 && flash[i + 1] == 127 ? 1 : 0;
        }
        EXPECT_EQ(markers, pushes);
    }
}

TEST(SimRecording, SameSeed_GivesIdenticalMemoryAndAnotherSeedAnotherRecording) {
    for (const Preload preload :
         {Preload::Bin, Preload::Linear1, Preload::Linear2, Preload::Linear3}) {
        SCOPED_TRACE(std::string(preloadName(preload)));
        const SimDevice a(recording(preload, 20, 42));
        const SimDevice b(recording(preload, 20, 42));
        const SimDevice c(recording(preload, 20, 43));
        EXPECT_EQ(a.memory().eeprom, b.memory().eeprom);
        EXPECT_EQ(a.memory().flash, b.memory().flash);
        // Page 0 repeats the configuration (and so the serial number): compare the data.
        const auto data = [](const SimDevice& d) {
            return bytesOf(std::span(d.memory().flash).subspan(kFlashPageBytes));
        };
        EXPECT_NE(data(a), data(c));
    }
}

}  // namespace
}  // namespace tilt::device
