#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/error.h"
#include "config/config_record.h"
#include "config/parameter_map.h"

namespace tilt::config {

// Numbers for parameters as the user gives them: typed into the Configuration window, held by a
// profile, given to `tiltctl config set`. They are checked and turned into bytes on the way
// out, so they stay as given (0.5 in an on/off field goes out as 0). "LinearRate" holds the rate
// code: 75, 15, or 0 when neither rate is chosen.
using ParameterValues = std::map<Field, double>;

// What a read gives: the record (the bin angles are never decoded) and the logger's identity.
struct DeviceConfiguration {
    ConfigRecord record;
    int serialNumber = 0;
    int launchDay = 0, launchMonth = 0, launchYear = 0;
    int launchHour = 0, launchMinute = 0, launchSecond = 0;
};

// Decodes the read's raw bytes: words as numbers, angle words to degrees unrounded, bytes as
// they are, the rate code as its byte.
[[nodiscard]] DeviceConfiguration decodeConfiguration(const ReadArray& bytes);

// One parameter's value in a read, decoded as decodeConfiguration decodes it (0 for the bin
// angles, which are never decoded).
[[nodiscard]] double decodedValue(const Parameter& parameter, const ReadArray& bytes);

// The bytes a parameter's cells hold in a read.
[[nodiscard]] std::vector<std::uint8_t> cellsOf(const Parameter& parameter, const ReadArray& bytes);

// What Show Defaults, Show Min and Show Max put into the numeric fields (the defaults also
// choose the 15 Hz rate).
enum class Preset { Defaults, Min, Max };
[[nodiscard]] ParameterValues presetValues(Preset preset);

// A value that cannot go out as the bytes of its cells. Nothing has been sent when it is thrown.
class UnsendableValue : public Error {
  public:
    UnsendableValue(const Parameter& parameter, const std::string& why);
    [[nodiscard]] const Parameter& parameter() const { return *parameter_; }

  private:
    const Parameter* parameter_;
};

// The bytes `value` of `parameter` is written as, one a cell: a word's value rounded (halves to
// even), high byte first; an angle through its encoder, then rounded; a byte rounded; the rate
// code as it is. Throws UnsendableValue when a byte would not fit.
[[nodiscard]] std::vector<std::uint8_t> encodeValue(const Parameter& parameter, double value);

// One EEPROM write: 'p', the address, the value.
struct CellWrite {
    int address = 0;
    std::uint8_t value = 0;
    friend bool operator==(const CellWrite&, const CellWrite&) = default;
};

// The configuration write: one entry per tick (steps 2 to 45), empty where the tick sends
// nothing (the bin angles' steps 26 to 29). Every value is converted and checked before the
// first tick, so a value that cannot be sent refuses the whole write (UnsendableValue). A
// field missing from `fields` counts as 0.
[[nodiscard]] std::vector<std::optional<CellWrite>> configurationWrite(
    const ParameterValues& fields);

// The writes that change what `read` holds into what `fields` hold, cell by cell in address
// order: the cells whose bytes differ. Only the fields present in `fields` are looked at.
[[nodiscard]] std::vector<CellWrite> changedCells(const ParameterValues& fields,
                                                  const ReadArray& read);

// Puts a written cell into a read's raw array, at the step that reads its address; a cell that
// the read does not cover is left out.
void putCell(ReadArray& bytes, const CellWrite& cell);

// The parameters whose cells are all among `written`, each with the value a read would now give
// (30 degrees written reads back as 29.99908, an offset of 511.5 as 512).
[[nodiscard]] ParameterValues writtenValues(std::span<const CellWrite> written);

// Puts values a read gives (or would give) into the record; true when any field changed.
bool putIntoRecord(ConfigRecord& record, const ParameterValues& values);

// The record's values of the fields a profile holds (what a write sends).
[[nodiscard]] ParameterValues profileValuesOf(const ConfigRecord& record);

// Whether the bytes `value` would be written as differ from the bytes `read` holds; a value that
// cannot be sent differs.
[[nodiscard]] bool differsFromRead(const Parameter& parameter, double value, const ReadArray& read);

}  // namespace tilt::config
