#include "config/parameter_map.h"

#include <algorithm>

#include "link/protocol.h"

namespace tilt::config {

namespace {

using E = Encoding;
using F = Field;

// The map of the EEPROM, in the order of the fields.
constexpr std::array<Parameter, kFieldCount> kParameters{{
    {F::OffsetX, 2, E::Word, 2, "X Offset", "OffsetX", 0, 1024, 323, 2, 2},
    {F::OffsetY, 4, E::Word, 2, "Y Offset", "OffsetY", 0, 1024, 408, 4, 4},
    {F::OffsetZ, 6, E::Word, 2, "Z Offset", "OffsetZ", 0, 1024, 322, 6, 6},
    {F::GainX, 8, E::Word, 2, "X Gain", "GainX", 0, 1024, 323, 8, 8},
    {F::GainY, 10, E::Word, 2, "Y Gain", "GainY", 0, 1024, 324, 10, 10},
    {F::GainZ, 12, E::Word, 2, "Z Gain", "GainZ", 0, 1024, 322, 12, 12},
    {F::TareX, 14, E::AngleX, 2, "X Tare", "TareX", -180, 180, 0, 14, 14},
    {F::TareY, 16, E::AngleY, 2, "Y Tare", "TareY", -90, 90, 0, 16, 16},
    {F::LowAlarmX, 18, E::AngleX, 2, "X Low Alarm", "LowAlarmX", -180, 180, -180, 18, 18},
    {F::HighAlarmX, 20, E::AngleX, 2, "X High Alarm", "HighAlarmX", -180, 180, 180, 20, 20},
    {F::LowAlarmY, 22, E::AngleY, 2, "Y Low Alarm", "LowAlarmY", -90, 90, -90, 22, 22},
    {F::HighAlarmY, 24, E::AngleY, 2, "Y High Alarm", "HighAlarmY", -90, 90, 90, 24, 24},
    {F::MinBinAngle, 26, E::Unread, 2, "Min Bin Angle", "MinBinAngle", -90, 90, 0, 26, 0},
    {F::MaxBinAngle, 28, E::Unread, 2, "Max Bin Angle", "MaxBinAngle", -90, 90, 65535, 28, 0},
    {F::UpdateTimeIncrement, 30, E::Byte, 1, "Update Time Increment", "UpdateTimeIncrement", 1, 255,
     3, 30, 30},
    {F::Averages, 31, E::Byte, 1, "Averages", "Averages", 0, 16, 1, 31, 31},
    {F::Shaker, 32, E::Byte, 1, "Shaker Enable", "ShakerEnable", 0, 1, 0, 32, 32},
    {F::FilterLevel, 33, E::Byte, 1, "Filter Level", "FilterLevel", 0, 5, 1, 33, 33},
    {F::TareApplied, 34, E::Byte, 1, "Tare Enable", "TareEnable", 0, 1, 1, 34, 34},
    {F::Mode, 42, E::Byte, 1, "Bin(0)/Linear(1) Mode", "BinLinearMode", 0, 1, 1, 35, 35},
    {F::Channel, 43, E::Byte, 1, "Linear Channels", "LinearChannel", 1, 3, 3, 36, 36},
    {F::Dac1, 62, E::Word, 2, "DAC1", "DacSetting1", 0, 1024, 512, 37, 37},
    {F::Dac2, 64, E::Word, 2, "DAC2", "DacSetting2", 0, 1024, 512, 39, 39},
    {F::Dac3, 66, E::Word, 2, "DAC3", "DacSetting3", 0, 1024, 512, 41, 41},
    {F::Dac4, 68, E::Word, 2, "DAC4", "DacSetting4", 0, 1024, 512, 43, 43},
    {F::SerialNumber, 100, E::Identity, 2, "Serial Number", "SerialNumber", 0, 65535, 0, 45, 0},
    {F::LinearRate, 102, E::RateCode, 1, "Linear Update Rate", "LinearUpdateRate", 15, 75, 15, 47,
     45},
    {F::LaunchDay, 103, E::Identity, 1, "Launch Day", "LaunchDay", 0, 255, 0, 48, 0},
    {F::LaunchYear, 104, E::Identity, 2, "Launch Year", "LaunchYear", 0, 65535, 0, 49, 0},
    {F::LaunchHour, 106, E::Identity, 1, "Launch Hour", "LaunchHour", 0, 255, 0, 51, 0},
    {F::LaunchMinute, 107, E::Identity, 1, "Launch Minute", "LaunchMinute", 0, 255, 0, 52, 0},
    {F::LaunchSecond, 108, E::Identity, 1, "Launch Second", "LaunchSecond", 0, 255, 0, 53, 0},
    {F::LaunchMonth, 109, E::Identity, 1, "Launch Month", "LaunchMonth", 0, 255, 0, 54, 0},
}};

constexpr double kWordFullScale = link::kAngleWordFullScale;

double angleToInteger(double angle, double fullScale) {
    double x = angle * kWordFullScale / fullScale;
    if (x > kWordFullScale) {
        x -= 65536;
    }
    if (x < 0) {
        x += 65536;
    }
    return x;
}

// parameterOf() finds a field's parameter at the field's place.
constexpr bool inFieldOrder() {
    for (std::size_t i = 0; i < kParameters.size(); ++i) {
        if (static_cast<std::size_t>(kParameters[i].field) != i) {
            return false;
        }
    }
    return true;
}
static_assert(inFieldOrder());

}  // namespace

std::span<const Parameter> parameterMap() {
    return kParameters;
}

const Parameter& parameterOf(Field field) {
    return kParameters[static_cast<std::size_t>(field)];
}

const Parameter* findParameter(std::string_view key) {
    const auto found = std::find_if(kParameters.begin(), kParameters.end(),
                                    [&](const Parameter& p) { return p.key == key; });
    return found == kParameters.end() ? nullptr : &*found;
}

bool isNumericField(const Parameter& parameter) {
    switch (parameter.encoding) {
        case E::Word:
        case E::AngleX:
        case E::AngleY:
        case E::Byte:
        case E::Unread:
            return true;
        case E::RateCode:
        case E::Identity:
            break;
    }
    return false;
}

bool isProfileField(const Parameter& parameter) {
    return parameter.writeStep != 0;
}

double fullScaleOf(Encoding encoding) {
    return encoding == E::AngleY ? link::kFullScaleY : link::kFullScaleX;
}

double angleWordY(double angle) {
    return angleToInteger(angle, link::kFullScaleY);
}

double angleWordX(double angle) {
    return angleToInteger(angle, link::kFullScaleX);
}

double signedCount(double word) {
    return word > kWordFullScale ? word - 65536 : word;
}

int readStepAddress(int step) {
    if (step <= 34) {
        return step;  // 2 to 34
    }
    if (step <= 36) {
        return step + 7;  // 42, 43
    }
    if (step <= 44) {
        return step + 25;  // 62 to 69
    }
    return step + 55;  // 100 to 109
}

}  // namespace tilt::config
