#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "config/parameter_map.h"

namespace tilt::config {

// The configuration's values by record field name ("OffsetX"): what the window's fields show, a
// profile holds and a read gives. "LinearUpdateRate" holds the rate code: 75, 15, or 0 when
// neither rate is chosen.
using ConfigValues = std::map<std::string, double, std::less<>>;

// What a read gives: the values of the profile fields (the bin angles are never decoded) and
// the logger's identity.
struct DeviceConfiguration {
    ConfigValues values;
    int SerialNumber = 0;
    int LaunchDay = 0, LaunchMonth = 0, LaunchYear = 0;
    int LaunchHour = 0, LaunchMinute = 0, LaunchSecond = 0;
};

// Decodes the read's raw bytes: words as numbers, angle words to degrees unrounded, bytes as
// they are, the rate code as its byte.
[[nodiscard]] DeviceConfiguration BreakOutReadArray(const ReadArray& bytes);

// One parameter's value in a read, decoded as BreakOutReadArray decodes it (0 for the bin
// angles, which are never decoded).
[[nodiscard]] double decodedValue(const Parameter& parameter, const ReadArray& bytes);

// The bytes a parameter's cells hold in a read.
[[nodiscard]] std::vector<std::uint8_t> cellsOf(const Parameter& parameter, const ReadArray& bytes);

// What Show Defaults, Show Min and Show Max put into the numeric fields (the defaults also
// choose the 15 Hz rate).
enum class Preset { Defaults, Min, Max };
[[nodiscard]] ConfigValues presetValues(Preset preset);

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
[[nodiscard]] std::vector<std::optional<CellWrite>> configurationWrite(const ConfigValues& fields);

// The writes that change what `read` holds into what `fields` hold, cell by cell in address
// order: the cells whose bytes differ. Only the fields present in `fields` are looked at.
[[nodiscard]] std::vector<CellWrite> changedCells(const ConfigValues& fields,
                                                  const ReadArray& read);

// Puts a written cell into a read's raw array, at the step that reads its address; a cell that
// the read does not cover is left out.
void putCell(ReadArray& bytes, const CellWrite& cell);

// The parameters whose cells are all among `written`, each with the value a read would now give
// (30 degrees written reads back as 29.99908, an offset of 511.5 as 512).
[[nodiscard]] ConfigValues writtenValues(std::span<const CellWrite> written);

// Whether the bytes `value` would be written as differ from the bytes `read` holds; a value that
// cannot be sent differs.
[[nodiscard]] bool differsFromRead(const Parameter& parameter, double value, const ReadArray& read);

// What is wrong with a profile, naming the key: an unknown key, a missing one (when
// `complete`), or a value outside the field's limits (the rate: 75 or 15). Nothing when it is
// good.
[[nodiscard]] std::optional<std::string> profileProblem(const ConfigValues& profile, bool complete);

// A profile made of `values`: a logger's own serial number and launch time (as a read gives
// them) are left out, as they are never written.
[[nodiscard]] ConfigValues withoutIdentity(ConfigValues values);

// The profile keys in the order of the map.
[[nodiscard]] std::vector<std::string_view> profileKeys();

}  // namespace tilt::config
