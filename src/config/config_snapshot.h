#pragma once

#include <optional>
#include <span>
#include <string>

#include "common/recordings_library.h"
#include "config/config_values.h"
#include "config/eeprom_transfer.h"
#include "config/parameter_map.h"

namespace tilt::config {

// A configuration as the recordings library keeps it: the logger's serial number, and every
// value a read gives (the serial number and the launch time among them) by its profile key, as
// number text. `bytes` is a read, or a read with the cells a write sent put in.
[[nodiscard]] ConfigSnapshot configSnapshot(const ReadArray& bytes, std::string kind,
                                            std::string takenAt);

// Puts a whole read into the library. What went wrong is returned in words for the user, else
// nothing: the read stands either way.
[[nodiscard]] std::optional<std::string> recordRead(RecordingsLibrary& library,
                                                    const ReadArray& bytes);

// Puts a write into the library: the event, with how it ended and how many cells went out, and
// the configuration the logger holds after it (`before`, a read of it, with the cells written put
// in) when any did.
[[nodiscard]] std::optional<std::string> recordWrite(RecordingsLibrary& library,
                                                     const ReadArray& before,
                                                     std::span<const CellWrite> written,
                                                     TransferEnd end);

// The same for a write that no read of the whole configuration came before (a profile, a
// calibration): the snapshot holds the fields written, under logger `serial`.
[[nodiscard]] std::optional<std::string> recordWriteOf(RecordingsLibrary& library,
                                                       std::int64_t serial,
                                                       std::span<const CellWrite> written,
                                                       TransferEnd end);

// The cells a logger's serial number is read from, and the number they hold.
[[nodiscard]] std::span<const int> serialNumberCells();
[[nodiscard]] std::int64_t serialNumberOf(std::span<const std::uint8_t> cells);

}  // namespace tilt::config
