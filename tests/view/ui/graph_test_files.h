#pragma once

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

namespace tilt::testing {

// Data files for the graph windows, written the way a download writes them.
struct GraphTestFiles {
    std::string folder;

    [[nodiscard]] std::string path(const std::string& name) const { return folder + "/" + name; }

    static std::string header(const std::string& kind, const std::string& mode,
                              const std::string& channel, const std::string& columns) {
        return "Veltrimonic Tiltavarometer Data File Version 3.2.4\r\n" + kind +
               "\r\nFirmware Version: 2.15\r\nSerial Number: 7521\r\n"
               "Launch Time: 03/07/2026 09:05:00\r\nFirmware Sampling Frequency: 15\r\n"
               "Channel Gains: X=323 Y=408 Z=322\r\nChannel Offsets: X=512 Y=498 Z=505\r\n"
               "Tares: X=0 Y=0\r\n" +
               mode + "\r\n" + channel + "\r\n" + columns + "\r\n";
    }
    static std::string binHeader() {
        return header("Download Pages", "Bin/Linear Mode = 0", "Linear Channel = 3",
                      "Page,Data-->");
    }
    static std::string linearHeader(int channel) {
        return header("Download Pages", "Bin/Linear Mode = 1",
                      "Linear Channel = " + std::to_string(channel),
                      channel == 3 ? "Page,X Data-->,Y Data-->" : "Page,Data-->");
    }
    // A bin page line whose bins count first, first + 1, ... first + 131.
    static std::string binLine(int page, int first) {
        std::string line = std::to_string(page);
        for (int i = 0; i < 132; ++i) {
            line += "," + std::to_string(first + i);
        }
        return line + "\r\n";
    }
    // A two-channel page line: pair k is (value + k, -(value + k)), "BP,BP" at `pushes`.
    static std::string pairLine(int page, int value, const std::vector<int>& pushes = {}) {
        std::string line = std::to_string(page);
        for (int k = 0; k < 132; ++k) {
            const bool push = std::find(pushes.begin(), pushes.end(), k) != pushes.end();
            line += push ? ",BP,BP"
                         : "," + std::to_string(value + k) + ",-" + std::to_string(value + k);
        }
        return line + "\r\n";
    }
    // A one-channel page line of 264 samples of `value`.
    static std::string sampleLine(int page, int value) {
        std::string line = std::to_string(page);
        for (int k = 0; k < 264; ++k) {
            line += "," + std::to_string(value);
        }
        return line + "\r\n";
    }

    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(path(name), std::ios::binary | std::ios::trunc) << text;
        return path(name);
    }
};

}  // namespace tilt::testing
