#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tilt::testing {

// A file's bytes, nothing for a file that cannot be read.
inline std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A fresh folder per test, removed afterwards, with byte-exact file helpers.
class TempFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = std::filesystem::temp_directory_path() /
                 ("tilt-logging-" + std::string(info->test_suite_name()) + "-" + info->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    [[nodiscard]] std::string path(const std::string& name) const {
        return (folder / name).string();
    }

    static std::string readFile(const std::filesystem::path& file) {
        return testing::readFile(file);
    }

    static void writeFile(const std::filesystem::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }

    std::filesystem::path folder;
};

// Lines joined with CR LF, the last one included.
inline std::string crlfLines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const auto& line : lines) {
        text += line + "\r\n";
    }
    return text;
}

}  // namespace tilt::testing
