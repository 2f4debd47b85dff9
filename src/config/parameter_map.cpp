#include "config/parameter_map.h"

#include <algorithm>

#include "link/protocol.h"

namespace tilt::config {

namespace {

using E = Encoding;

// The map of the EEPROM as the Configuration window uses it.
constexpr std::array<Parameter, 33> kParameters{{
    {2, E::Word, 2, "X Offset", "NumEdit2", "OffsetX", 0, 1024, 323, 2, 2},
    {4, E::Word, 2, "Y Offset", "NumEdit4", "OffsetY", 0, 1024, 408, 4, 4},
    {6, E::Word, 2, "Z Offset", "NumEdit6", "OffsetZ", 0, 1024, 322, 6, 6},
    {8, E::Word, 2, "X Gain", "NumEdit8", "GainX", 0, 1024, 323, 8, 8},
    {10, E::Word, 2, "Y Gain", "NumEdit10", "GainY", 0, 1024, 324, 10, 10},
    {12, E::Word, 2, "Z Gain", "NumEdit12", "GainZ", 0, 1024, 322, 12, 12},
    {14, E::AngleX, 2, "X Tare", "NumEdit14", "TareX", -180, 180, 0, 14, 14},
    {16, E::AngleY, 2, "Y Tare", "NumEdit16", "TareY", -90, 90, 0, 16, 16},
    {18, E::AngleX, 2, "X Low Alarm", "NumEdit18", "LowAlarmX", -180, 180, -180, 18, 18},
    {20, E::AngleX, 2, "X High Alarm", "NumEdit20", "HighAlarmX", -180, 180, 180, 20, 20},
    {22, E::AngleY, 2, "Y Low Alarm", "NumEdit22", "LowAlarmY", -90, 90, -90, 22, 22},
    {24, E::AngleY, 2, "Y High Alarm", "NumEdit24", "HighAlarmY", -90, 90, 90, 24, 24},
    {26, E::Unread, 2, "Min Bin Angle", "NumEdit26", "MinBinAngle", -90, 90, 0, 26, 0},
    {28, E::Unread, 2, "Max Bin Angle", "NumEdit28", "MaxBinAngle", -90, 90, 65535, 28, 0},
    {30, E::Byte, 1, "Update Time Increment", "NumEdit30", "UpdateTimeIncrement", 1, 255, 3, 30,
     30},
    {31, E::Byte, 1, "Averages", "NumEdit31", "Averages", 0, 16, 1, 31, 31},
    {32, E::Byte, 1, "Shaker Enable", "NumEdit32", "ShakerEnable", 0, 1, 0, 32, 32},
    {33, E::Byte, 1, "Filter Level", "NumEdit33", "FilterLevel", 0, 5, 1, 33, 33},
    {34, E::Byte, 1, "Tare Enable", "NumEdit34", "TareEnable", 0, 1, 1, 34, 34},
    {42, E::Byte, 1, "Bin(0)/Linear(1) Mode", "NumEdit42", "BinLinearMode", 0, 1, 1, 35, 35},
    {43, E::Byte, 1, "Linear Channels", "NumEdit43", "LinearChannel", 1, 3, 3, 36, 36},
    {62, E::Word, 2, "DAC1", "NumEdit62", "DacSetting1", 0, 1024, 512, 37, 37},
    {64, E::Word, 2, "DAC2", "NumEdit64", "DacSetting2", 0, 1024, 512, 39, 39},
    {66, E::Word, 2, "DAC3", "NumEdit66", "DacSetting3", 0, 1024, 512, 41, 41},
    {68, E::Word, 2, "DAC4", "NumEdit68", "DacSetting4", 0, 1024, 512, 43, 43},
    {100, E::Identity, 2, "Serial Number", "txtSerialNumber", "SerialNumber", 0, 65535, 0, 45, 0},
    {102, E::RateCode, 1, "Linear Update Rate", "opt15Hz", "LinearUpdateRate", 15, 75, 15, 47, 45},
    {103, E::Identity, 1, "Launch Day", "txtDay", "LaunchDay", 0, 255, 0, 48, 0},
    {104, E::Identity, 2, "Launch Year", "txtYear", "LaunchYear", 0, 65535, 0, 49, 0},
    {106, E::Identity, 1, "Launch Hour", "txtHour", "LaunchHour", 0, 255, 0, 51, 0},
    {107, E::Identity, 1, "Launch Minute", "txtMinute", "LaunchMinute", 0, 255, 0, 52, 0},
    {108, E::Identity, 1, "Launch Second", "txtSecond", "LaunchSecond", 0, 255, 0, 53, 0},
    {109, E::Identity, 1, "Launch Month", "txtMonth", "LaunchMonth", 0, 255, 0, 54, 0},
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

}  // namespace

std::span<const Parameter> parameterMap() {
    return kParameters;
}

const Parameter* findParameter(std::string_view recordField) {
    const auto found =
        std::find_if(kParameters.begin(), kParameters.end(),
                     [&](const Parameter& p) { return p.recordField == recordField; });
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

double AngleToInteger90(double angle) {
    return angleToInteger(angle, link::kFullScaleY);
}

double AngleToInteger180(double angle) {
    return angleToInteger(angle, link::kFullScaleX);
}

double WordToSigned(double word) {
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
