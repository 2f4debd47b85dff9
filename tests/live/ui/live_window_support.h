#pragma once

#include <gtest/gtest.h>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "device/sim_device.h"
#include "logging/data_file.h"
#include "support/gui_harness.h"

namespace tilt::live::ui::testing {

using device::ReceivedByte;

// The replies a device like the simulated one sent for the bytes it received: fed the same bytes
// at the same times, a twin answers the same. Cut into replies of `replyBytes`.
inline std::vector<std::vector<std::uint8_t>> repliesSent(const std::vector<ReceivedByte>& log,
                                                          const device::SimOptions& options,
                                                          std::size_t replyBytes) {
    std::vector<std::vector<std::uint8_t>> replies;
    if (log.empty()) {
        return replies;
    }
    device::SimDevice twin(options, device::Nanos{0});
    for (const ReceivedByte& r : log) {
        twin.hostWrite(r.value, r.at - twin.byteTime());
    }
    const auto bytes = twin.takeArrived(log.back().at + std::chrono::seconds(1));
    for (std::size_t i = 0; i + replyBytes <= bytes.size(); i += replyBytes) {
        replies.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                             bytes.begin() + static_cast<std::ptrdiff_t>(i + replyBytes));
    }
    return replies;
}

inline std::vector<std::string> fileLines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

// The program on a simulated logger at port 1, with one of the live windows open.
class LiveGui : public ::testing::Test {
  protected:
    explicit LiveGui(tilt::testing::GuiOptions options = {}) : gui(std::move(options)) {}

    void start() {
        gui.catalogue.addDevice(simOptions);
        gui.start();
    }

    // Opens the window (as Tools > Angles or Display > Angles do), and keeps it; starts the
    // program first if it is not running yet.
    template <typename Window>
    Window* open(const char* name) {
        if (!gui.frame) {
            start();
        }
        gui.frame->windows().show(windowId(name));
        window = gui.openWindow(QString::fromLatin1(name));
        EXPECT_NE(dynamic_cast<Window*>(window), nullptr) << name;
        return dynamic_cast<Window*>(window);
    }

    // Return: the window closes and goes (it is made afresh the next time).
    void returnFromWindow(const char* name) {
        menu("mnuReturn")->trigger();
        EXPECT_EQ(gui.openWindow(QString::fromLatin1(name)), nullptr);
        ASSERT_TRUE(
            gui.waitFor([&] { return gui.frame->windows().existing(windowId(name)) == nullptr; }));
    }

    static frame::WindowId windowId(std::string_view name) {
        return name == "Angles" ? frame::WindowId::Angles : frame::WindowId::Accelerometers;
    }

    QAction* menu(const char* name) const { return window->findChild<QAction*>(name); }
    template <typename T = QWidget>
    T* control(const char* name) const {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    std::string text(const char* name) const {
        return control<QLineEdit>(name)->text().toStdString();
    }
    QPushButton* button(const char* name) const { return control<QPushButton>(name); }
    // What the window says under its chart.
    std::string status() const {
        return window->findChild<QLabel*>("lblMessage")->text().toStdString();
    }

    void sampleUntilReadings() {
        menu("mnuSample")->trigger();
        ASSERT_TRUE(gui.waitFor([&] { return !text("txtX").empty(); }));
    }
    void stopSampling() {
        menu("mnuSample")->trigger();
        ASSERT_TRUE(gui.idle());
        ASSERT_TRUE(gui.waitFor([&] { return menu("mnuSample")->isEnabled(); }));
    }

    std::vector<ReceivedByte> received() { return gui.received(); }
    long countReceived(std::uint8_t value) {
        long n = 0;
        for (const ReceivedByte& r : received()) {
            n += r.value == value ? 1 : 0;
        }
        return n;
    }
    // The reading lines of a live data file, after its header (which is checked).
    std::vector<std::string> dataLines(const std::string& file, std::string_view kind) const {
        auto lines = fileLines(file);
        const auto header = logging::headerLines(kind, logging::liveFileHeader(gui.context.state));
        EXPECT_GE(lines.size(), header.size());
        EXPECT_TRUE(std::equal(header.begin(), header.end(), lines.begin())) << file;
        return {lines.begin() + static_cast<std::ptrdiff_t>(header.size()), lines.end()};
    }
    std::string dataFile(const char* name) const {
        return gui.root.filePath(QString::fromLatin1(name)).toStdString();
    }

    device::SimOptions simOptions{};
    tilt::testing::GuiHarness gui;
    QWidget* window = nullptr;
};

}  // namespace tilt::live::ui::testing
