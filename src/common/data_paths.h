#pragma once

#include <filesystem>

namespace tilt {

// The program's folders: "Data Files" and "Logs" below the data root, and the error log in
// "Logs".
struct DataPaths {
    std::filesystem::path root;

    [[nodiscard]] std::filesystem::path dataFiles() const { return root / "Data Files"; }
    [[nodiscard]] std::filesystem::path logs() const { return root / "Logs"; }
    [[nodiscard]] std::filesystem::path errorLog() const { return logs() / "error.log"; }
};

}  // namespace tilt
