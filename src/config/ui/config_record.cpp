#include "config/ui/config_record.h"

#include <array>
#include <utility>

#include "shell/app_state.h"

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

}  // namespace tilt::config::ui
