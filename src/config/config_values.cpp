#include "config/config_values.h"

#include <cmath>

#include "common/number_text.h"
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
            return WordToSigned(wordAt(bytes, p.readStep)) / link::kAngleWordFullScale *
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

std::string quoted(std::string_view text) {
    // Built piece by piece: gcc 12 warns wrongly (-Wrestrict) about `"\"" + text + "\""`.
    std::string q;
    q.reserve(text.size() + 2);
    q.push_back('"');
    q.append(text);
    q.push_back('"');
    return q;
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

// An angle read back from its word may lie a count beyond its limit (the word 32768 is
// -180.0055 degrees); a profile saved from such a logger is still good.
double slack(const Parameter& p) {
    const bool angle = p.encoding == Encoding::AngleX || p.encoding == Encoding::AngleY;
    return angle ? fullScaleOf(p.encoding) / 32767.0 : 0.0;
}

}  // namespace

UnsendableValue::UnsendableValue(const Parameter& parameter, const std::string& why)
    : Error(errc::kOverflow, "Cannot write " + quoted(parameter.caption) + " (" +
                                 std::string(parameter.recordField) + "): " + why +
                                 ". Nothing was sent; correct the value and write again."),
      parameter_(&parameter) {}

DeviceConfiguration BreakOutReadArray(const ReadArray& bytes) {
    DeviceConfiguration c;
    for (const Parameter& p : parameterMap()) {
        if (isProfileField(p)) {
            c.values[std::string(p.recordField)] = decodeCells(p, bytes);
        }
    }
    const auto identity = [&](std::string_view field) {
        return static_cast<int>(decodeCells(*findParameter(field), bytes));
    };
    c.SerialNumber = identity("SerialNumber");
    c.LaunchDay = identity("LaunchDay");
    c.LaunchMonth = identity("LaunchMonth");
    c.LaunchYear = identity("LaunchYear");
    c.LaunchHour = identity("LaunchHour");
    c.LaunchMinute = identity("LaunchMinute");
    c.LaunchSecond = identity("LaunchSecond");
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

ConfigValues writtenValues(std::span<const CellWrite> written) {
    ReadArray bytes{};
    for (const CellWrite& cell : written) {
        putCell(bytes, cell);
    }
    ConfigValues values;
    for (const Parameter& p : parameterMap()) {
        int cells = 0;
        for (const CellWrite& cell : written) {
            cells += cell.address >= p.address && cell.address < p.address + p.cells ? 1 : 0;
        }
        if (isProfileField(p) && cells == p.cells) {
            values[std::string(p.recordField)] = decodedValue(p, bytes);
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

ConfigValues presetValues(Preset preset) {
    ConfigValues values;
    for (const Parameter& p : parameterMap()) {
        if (isNumericField(p)) {
            values[std::string(p.recordField)] = preset == Preset::Defaults ? p.defaultValue
                                                 : preset == Preset::Min    ? p.min
                                                                            : p.max;
        }
    }
    if (preset == Preset::Defaults) {
        values["LinearUpdateRate"] = kRate15Hz;
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
            return wordBytes(p, roundHalfEven(AngleToInteger180(value)), value);
        case Encoding::AngleY:
            return wordBytes(p, roundHalfEven(AngleToInteger90(value)), value);
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

std::vector<std::optional<CellWrite>> configurationWrite(const ConfigValues& fields) {
    std::vector<std::optional<CellWrite>> ticks(kWriteSteps);
    for (const Parameter& p : parameterMap()) {
        if (!isProfileField(p)) {
            continue;
        }
        const auto found = fields.find(p.recordField);
        const auto bytes = encodeValue(p, found == fields.end() ? 0 : found->second);
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const auto tick = static_cast<std::size_t>(p.writeStep - kFirstWriteStep) + i;
            ticks[tick] = CellWrite{p.address + static_cast<int>(i), bytes[i]};
        }
    }
    return ticks;
}

std::vector<CellWrite> changedCells(const ConfigValues& fields, const ReadArray& read) {
    std::vector<CellWrite> writes;
    for (const Parameter& p : parameterMap()) {
        const auto found = fields.find(p.recordField);
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

std::optional<std::string> profileProblem(const ConfigValues& profile, bool complete) {
    for (const auto& [key, value] : profile) {
        const Parameter* p = findParameter(key);
        if (p == nullptr || !isProfileField(*p)) {
            return quoted(key) + " is no configuration parameter";
        }
        if (p->encoding == Encoding::RateCode) {
            if (value != kRate75Hz && value != kRate15Hz) {
                return quoted(key) + " is " + numberText(value) + "; it must be 75 or 15";
            }
        } else if (!std::isfinite(value) || value < p->min - slack(*p) ||
                   value > p->max + slack(*p)) {
            return quoted(key) + " is " + numberText(value) + "; it must be " + numberText(p->min) +
                   " to " + numberText(p->max);
        }
    }
    if (complete) {
        for (const std::string_view key : profileKeys()) {
            if (!profile.contains(key)) {
                return quoted(key) + " is missing";
            }
        }
    }
    return std::nullopt;
}

ConfigValues withoutIdentity(ConfigValues values) {
    std::erase_if(values, [](const auto& entry) {
        const Parameter* p = findParameter(entry.first);
        return p != nullptr && p->encoding == Encoding::Identity;
    });
    return values;
}

std::vector<std::string_view> profileKeys() {
    std::vector<std::string_view> keys;
    for (const Parameter& p : parameterMap()) {
        if (isProfileField(p)) {
            keys.push_back(p.recordField);
        }
    }
    return keys;
}

}  // namespace tilt::config
