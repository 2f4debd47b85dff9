#include "config/ui/config_record.h"

#include <array>
#include <utility>

#include "common/app_state.h"
#include "common/ui/app_context.h"
#include "config/eeprom_transfer.h"
#include "config/parameter_map.h"
#include "platform/ui/device_thread.h"

namespace tilt::config::ui {

namespace {

using Member = double AppState::*;

// C++ has no names of members at run time: this is where the map's record field names meet
// the record.
constexpr std::array<std::pair<std::string_view, Member>, 26> kRecord{{
    {"OffsetX", &AppState::OffsetX},
    {"OffsetY", &AppState::OffsetY},
    {"OffsetZ", &AppState::OffsetZ},
    {"GainX", &AppState::GainX},
    {"GainY", &AppState::GainY},
    {"GainZ", &AppState::GainZ},
    {"TareX", &AppState::TareX},
    {"TareY", &AppState::TareY},
    {"LowAlarmX", &AppState::LowAlarmX},
    {"HighAlarmX", &AppState::HighAlarmX},
    {"LowAlarmY", &AppState::LowAlarmY},
    {"HighAlarmY", &AppState::HighAlarmY},
    {"MinBinAngle", &AppState::MinBinAngle},
    {"MaxBinAngle", &AppState::MaxBinAngle},
    {"UpdateTimeIncrement", &AppState::UpdateTimeIncrement},
    {"Averages", &AppState::Averages},
    {"ShakerEnable", &AppState::ShakerEnable},
    {"FilterLevel", &AppState::FilterLevel},
    {"TareEnable", &AppState::TareEnable},
    {"BinLinearMode", &AppState::BinLinearMode},
    {"LinearChannel", &AppState::LinearChannel},
    {"DacSetting1", &AppState::DacSetting1},
    {"DacSetting2", &AppState::DacSetting2},
    {"DacSetting3", &AppState::DacSetting3},
    {"DacSetting4", &AppState::DacSetting4},
    {"LinearUpdateRate", &AppState::LinearUpdateRate},
}};

}  // namespace

double* recordField(AppState& state, std::string_view name) {
    for (const auto& [field, member] : kRecord) {
        if (field == name) {
            return &(state.*member);
        }
    }
    return nullptr;
}

ConfigValues profileRecord(AppState& state) {
    ConfigValues values;
    for (const Parameter& p : parameterMap()) {
        if (isProfileField(p)) {
            values[std::string(p.recordField)] = *recordField(state, p.recordField);
        }
    }
    return values;
}

bool putIntoRecord(AppState& state, const ConfigValues& values) {
    bool changed = false;
    for (const auto& [field, value] : values) {
        if (double* kept = recordField(state, field); kept != nullptr && *kept != value) {
            *kept = value;
            changed = true;
        }
    }
    return changed;
}

std::function<void(int)> recordWrittenCells(common::ui::AppContext& context,
                                            std::vector<std::optional<CellWrite>> ticks) {
    // The events live as long as the program, unlike the window.
    return platform::ui::DeviceThread::toWindow<int>(
        &context.loggerEvents, [&context, ticks = std::move(ticks)](int ticksDone) {
            const auto cells = cellsWritten(ticks, ticksDone);
            if (cells.empty()) {
                return;
            }
            putIntoRecord(context.state, writtenValues(cells));
            emit context.loggerEvents.configurationWritten();
        });
}

}  // namespace tilt::config::ui
