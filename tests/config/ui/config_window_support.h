#pragma once

#include <QGroupBox>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include "config/ui/num_edit.h"
#include "device/sim_device.h"
#include "support/gui_harness.h"

namespace tilt::config::ui::testing {

// The program on a simulated logger at port 1 (whose EEPROM a test may change first), with the
// device commands enabled.
class ConfigGui {
  public:
    explicit ConfigGui(tilt::testing::GuiOptions options = {}) : gui(std::move(options)) {}

    void start(const std::function<void(device::SimDevice&)>& prepare = {}) {
        const int port = gui.catalogue.addDevice({});
        if (prepare) {
            gui.catalogue.line(port)->withDevice([&](device::SimDevice* d) { prepare(*d); });
        }
        gui.start();
        gui.frame->setDeviceCommandsEnabled(true);
    }

    tilt::testing::GuiHarness gui;
};

using tilt::testing::typeOver;

}  // namespace tilt::config::ui::testing
