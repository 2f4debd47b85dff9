#include "config/config_record.h"

#include <algorithm>

namespace tilt::config {

namespace {

// The cells give whole bytes; anything else has no byte to keep.
template <class Byte>
Byte fromByte(double value) {
    return static_cast<Byte>(static_cast<std::uint8_t>(std::clamp(value, 0.0, 255.0)));
}

template <class Byte>
double byteOf(Byte value) {
    return static_cast<double>(static_cast<std::uint8_t>(value));
}

// The record's number for `field`; nothing for a byte kept as its own type.
template <class Record>
auto numberField(Record& r, Field field) -> decltype(&r.offsetX) {
    switch (field) {
        case Field::OffsetX:
            return &r.offsetX;
        case Field::OffsetY:
            return &r.offsetY;
        case Field::OffsetZ:
            return &r.offsetZ;
        case Field::GainX:
            return &r.gainX;
        case Field::GainY:
            return &r.gainY;
        case Field::GainZ:
            return &r.gainZ;
        case Field::TareX:
            return &r.tareX;
        case Field::TareY:
            return &r.tareY;
        case Field::LowAlarmX:
            return &r.lowAlarmX;
        case Field::HighAlarmX:
            return &r.highAlarmX;
        case Field::LowAlarmY:
            return &r.lowAlarmY;
        case Field::HighAlarmY:
            return &r.highAlarmY;
        case Field::MinBinAngle:
            return &r.minBinAngle;
        case Field::MaxBinAngle:
            return &r.maxBinAngle;
        case Field::UpdateTimeIncrement:
            return &r.updateTimeIncrement;
        case Field::Averages:
            return &r.averages;
        case Field::FilterLevel:
            return &r.filterLevel;
        case Field::Dac1:
            return &r.dac[0];
        case Field::Dac2:
            return &r.dac[1];
        case Field::Dac3:
            return &r.dac[2];
        case Field::Dac4:
            return &r.dac[3];
        default:
            return nullptr;
    }
}

}  // namespace

bool inRecord(Field field) {
    return parameterOf(field).encoding != Encoding::Identity;
}

double valueOf(const ConfigRecord& record, Field field) {
    switch (field) {
        case Field::Shaker:
            return byteOf(record.shaker);
        case Field::TareApplied:
            return byteOf(record.tareApplied);
        case Field::Mode:
            return byteOf(record.mode);
        case Field::Channel:
            return byteOf(record.channel);
        case Field::LinearRate:
            return byteOf(record.linearRate);
        default:
            break;
    }
    const double* number = numberField(record, field);
    return number != nullptr ? *number : 0;
}

void setValue(ConfigRecord& record, Field field, double value) {
    switch (field) {
        case Field::Shaker:
            record.shaker = fromByte<Switch>(value);
            return;
        case Field::TareApplied:
            record.tareApplied = fromByte<Switch>(value);
            return;
        case Field::Mode:
            record.mode = fromByte<RecordingMode>(value);
            return;
        case Field::Channel:
            record.channel = fromByte<LinearChannel>(value);
            return;
        case Field::LinearRate:
            record.linearRate = fromByte<LinearRate>(value);
            return;
        default:
            break;
    }
    if (double* number = numberField(record, field)) {
        *number = value;
    }
}

}  // namespace tilt::config
