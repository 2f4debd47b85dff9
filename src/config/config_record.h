#pragma once

#include "common/config_record.h"
#include "config/parameter_map.h"

namespace tilt::config {

using tilt::ConfigRecord;
using tilt::LinearRate;
using tilt::Switch;

// Whether the record keeps `field` (all but the identity).
[[nodiscard]] bool inRecord(Field field);

// A field of the record as the number its cells decode to (a switch, the mode, the channel and
// the rate as their byte).
[[nodiscard]] double valueOf(const ConfigRecord& record, Field field);

// Sets a field from the number its cells decode to; a byte field takes the byte it holds.
void setValue(ConfigRecord& record, Field field, double value);

}  // namespace tilt::config
