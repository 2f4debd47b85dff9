#include "config/ui/config_record.h"

#include <utility>

#include "common/app_state.h"
#include "common/ui/app_context.h"
#include "config/eeprom_transfer.h"
#include "platform/ui/device_thread.h"

namespace tilt::config::ui {

std::function<void(int)> recordWrittenCells(common::ui::AppContext& context,
                                            std::vector<std::optional<CellWrite>> ticks) {
    // The events live as long as the program, unlike the window.
    return platform::ui::DeviceThread::toWindow<int>(
        &context.loggerEvents, [&context, ticks = std::move(ticks)](int ticksDone) {
            const auto cells = cellsWritten(ticks, ticksDone);
            if (cells.empty()) {
                return;
            }
            putIntoRecord(context.state.configuration, writtenValues(cells));
            emit context.loggerEvents.configurationWritten();
        });
}

}  // namespace tilt::config::ui
