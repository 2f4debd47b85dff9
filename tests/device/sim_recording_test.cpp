#include <gtest/gtest.h>

#include <string>

#include "device/sim_device.h"
#include "device/sim_line_helpers.h"
#include "support/sim_bench.h"

namespace tilt::device {
namespace {

using namespace simtest;
using testing::recording;

TEST(SimRecording, EachPreload_FillsPagesOneToNAndLeavesTheRestErased) {
    struct Case {
        Preload preload;
        int pages, mode;
        int channel;  // 0: not checked
    };
    const Case cases[] = {
        {Preload::Empty, 40, 1, 3},   {Preload::Bin, 1, 0, 0},     {Preload::Bin, 7, 0, 0},
        {Preload::Bin, 2047, 0, 0},   {Preload::Linear1, 1, 1, 1}, {Preload::Linear1, 33, 1, 1},
        {Preload::Linear2, 40, 1, 2}, {Preload::Linear3, 5, 1, 3}, {Preload::Linear3, 2047, 1, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(preloadName(c.preload)) + " " + std::to_string(c.pages));
        const SimDevice dev(recording(c.preload, c.pages));
        const DeviceMemory& m = dev.memory();
        EXPECT_EQ(m.eeprom[42], c.mode);
        if (c.channel != 0) {
            EXPECT_EQ(m.eeprom[43], c.channel);
        }
        const int filled = c.preload == Preload::Empty ? 0 : c.pages;
        for (int p = 1; p <= filled; ++p) {
            ASSERT_FALSE(allErased(m.page(p).first(6))) << "page " << p;
        }
        for (int p = filled == 0 ? 0 : filled + 1; p < kFlashPages; ++p) {
            ASSERT_TRUE(allErased(m.page(p))) << "page " << p;
        }
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
    // Page 0 repeats the configuration (and so the serial number): compare the data.
    const auto data = [](const SimDevice& d) {
        return bytesOf(std::span(d.memory().flash).subspan(kFlashPageBytes));
    };
    for (const Preload preload :
         {Preload::Bin, Preload::Linear1, Preload::Linear2, Preload::Linear3}) {
        SCOPED_TRACE(std::string(preloadName(preload)));
        const SimDevice a(recording(preload, 20, 42));
        const SimDevice b(recording(preload, 20, 42));
        EXPECT_EQ(a.memory().eeprom, b.memory().eeprom);
        EXPECT_EQ(a.memory().flash, b.memory().flash);
        EXPECT_NE(data(a), data(SimDevice(recording(preload, 20, 43))));
    }
}

}  // namespace
}  // namespace tilt::device
