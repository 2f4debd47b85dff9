#include "config/config_values.h"

#include <cmath>

#include "common/number_text.h"
#include "common/quoted.h"
#include "common/rounding.h"
#include "link/protocol.h"

namespace tilt::config {

namespace {

constexpr double kCellValues = 256;

int wordAt(const ReadArray& bytes, int step) {
    return bytes[static_cast<std::size_t>(step)] * 256 + bytes[static_cast<std::size_t>(step) + 1];
}

int byteAt(const ReadArray& bytes, int step) {
    return bytes[static_cast<std::size_t>(step)];
}

double decodeCells(const Parameter& p, const ReadArray& bytes) {
    switch (p.encoding) {
        case Encoding::Word:
            return wordAt(bytes, p.readStep);
        case Encoding::AngleX:
        case Encoding::AngleY:
            return signedCount(wordAt(bytes, p.readStep)) / link::kAngleWordFullScale *
                   fullScaleOf(p.encoding);
        case Encoding::Byte:
        case Encoding::RateCode:
            return byteAt(bytes, p.readStep);
        case Encoding::Identity:
            return p.cells == 2 ? wordAt(bytes, p.readStep) : byteAt(bytes, p.readStep);
        case Encoding::Unread:
            break;
    }
    return 0;
}

// A word as its two bytes: the quotient by 256 truncated toward zero, and the low eight bits.
std::vector<std::uint8_t> wordBytes(const Parameter& p, double word, double value) {
    const double high = std::trunc(word / kCellValues);
    if (high < 0 || high > 255) {
        throw UnsendableValue(p, numberText(value) + " is written as the word " + numberText(word) +
                                     ", which does not fit in two bytes (0 to 65535)");
    }
    const auto low = static_cast<std::int64_t>(word) & 255;
    return {static_cast<std::uint8_t>(high), static_cast<std::uint8_t>(low)};
}

}  // namespace

UnsendableValue::UnsendableValue(const Parameter& parameter, const std::string& why)
    : Error(errc::kOverflow, "Cannot write " + quoted(parameter.caption) + " (" +
                                 std::string(parameter.key) + "): " + why +
                                 ". Nothing was sent; correct the value and write again."),
      parameter_(&parameter) {}

DeviceConfiguration decodeConfiguration(const ReadArray& bytes) {
    DeviceConfiguration c;
    for (const Parameter& p : parameterMap()) {
        if (isProfileField(p)) {
            setValue(c.record, p.field, decodeCells(p, bytes));
        }
    }
    const auto identity = [&](Field field) {
        return static_cast<int>(decodeCells(parameterOf(field), bytes));
    };
    c.serialNumber = identity(Field::SerialNumber);
    c.launchDay = identity(Field::LaunchDay);
    c.launchMonth = identity(Field::LaunchMonth);
    c.launchYear = identity(Field::LaunchYear);
    c.launchHour = identity(Field::LaunchHour);
    c.launchMinute = identity(Field::LaunchMinute);
    c.launchSecond = identity(Field::LaunchSecond);
    return c;
}

double decodedValue(const Parameter& parameter, const ReadArray& bytes) {
    return decodeCells(parameter, bytes);
}

void putCell(ReadArray& bytes, const CellWrite& cell) {
    for (int step = kFirstReadStep; step <= kLastReadStep; ++step) {
        if (readStepAddress(step) == cell.address) {
            bytes[static_cast<std::size_t>(step)] = cell.value;
        }
    }
}

ParameterValues writtenValues(std::span<const CellWrite> written) {
    ReadArray bytes{};
    for (const CellWrite& cell : written) {
        putCell(bytes, cell);
    }
    ParameterValues values;
    for (const Parameter& p : parameterMap()) {
        int cells = 0;
        for (const CellWrite& cell : written) {
            cells += cell.address >= p.address && cell.address < p.address + p.cells ? 1 : 0;
        }
        if (isProfileField(p) && cells == p.cells) {
            values[p.field] = decodedValue(p, bytes);
        }
    }
    return values;
}

bool putIntoRecord(ConfigRecord& record, const ParameterValues& values) {
    const ConfigRecord before = record;
    for (const auto& [field, value] : values) {
        setValue(record, field, value);
    }
    return record != before;
}

ParameterValues profileValuesOf(const ConfigRecord& record) {
    ParameterValues values;
    for (const Parameter& p : parameterMap()) {
        if (isProfileField(p)) {
            values[p.field] = valueOf(record, p.field);
        }
    }
    return values;
}

std::vector<std::uint8_t> cellsOf(const Parameter& parameter, const ReadArray& bytes) {
    std::vector<std::uint8_t> cells;
    for (int i = 0; i < parameter.cells; ++i) {
        cells.push_back(bytes[static_cast<std::size_t>(parameter.readStep + i)]);
    }
    return cells;
}

ParameterValues presetValues(Preset preset) {
    ParameterValues values;
    for (const Parameter& p : parameterMap()) {
        if (isNumericField(p)) {
            values[p.field] = preset == Preset::Defaults ? p.defaultValue
                              : preset == Preset::Min    ? p.min
                                                         : p.max;
        }
    }
    if (preset == Preset::Defaults) {
        values[Field::LinearRate] = kRateCode15Hz;
    }
    return values;
}

std::vector<std::uint8_t> encodeValue(const Parameter& p, double value) {
    if (!std::isfinite(value)) {
        throw UnsendableValue(p, "the value is not a number");
    }
    switch (p.encoding) {
        case Encoding::Word:
            return wordBytes(p, roundHalfEven(value), value);
        case Encoding::AngleX:
            return wordBytes(p, roundHalfEven(angleWordX(value)), value);
        case Encoding::AngleY:
            return wordBytes(p, roundHalfEven(angleWordY(value)), value);
        case Encoding::Byte:
        case Encoding::RateCode: {
            const double byte = roundHalfEven(value);
            if (byte < 0 || byte > 255) {
                throw UnsendableValue(p, numberText(value) + " does not fit in a byte (0 to 255)");
            }
            return {static_cast<std::uint8_t>(byte)};
        }
        case Encoding::Unread:
        case Encoding::Identity:
            break;
    }
    return {};
}

std::vector<std::optional<CellWrite>> configurationWrite(const ParameterValues& fields) {
    std::vector<std::optional<CellWrite>> ticks(kWriteSteps);
    for (const Parameter& p : parameterMap()) {
        if (!isProfileField(p)) {
            continue;
        }
        const auto found = fields.find(p.field);
        const auto bytes = encodeValue(p, found == fields.end() ? 0 : found->second);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto tick = static_cast<std::size_t>(p.writeStep - kFirstWriteStep) + i;
            ticks[tick] = CellWrite{p.address + static_cast<int>(i), bytes[i]};
        }
    }
    return ticks;
}

std::vector<CellWrite> changedCells(const ParameterValues& fields, const ReadArray& read) {
    std::vector<CellWrite> writes;
    for (const Parameter& p : parameterMap()) {
        const auto found = fields.find(p.field);
        if (!isProfileField(p) || found == fields.end()) {
            continue;
        }
        const auto bytes = encodeValue(p, found->second);
        const auto held = cellsOf(p, read);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] != held[i]) {
                writes.push_back({p.address + static_cast<int>(i), bytes[i]});
            }
        }
    }
    return writes;
}

bool differsFromRead(const Parameter& parameter, double value, const ReadArray& read) {
    try {
        return encodeValue(parameter, value) != cellsOf(parameter, read);
    } catch (const UnsendableValue&) {
        return true;
    }
}

}  // namespace tilt::config
