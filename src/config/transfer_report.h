#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "config/config_values.h"
#include "config/eeprom_transfer.h"

namespace tilt::config {

// What the user is told when a read or a write of configuration cells ends before its last
// cell: what happened, what the logger holds now, and what to do. `again` says how the user
// runs it again, as the end of a sentence ("choose File > Read", "run it again"). The desktop
// program and tiltctl say the same; a port failure has been reported by then, so the text tells
// its consequences, not its cause. Empty for a completed transfer.

// A read of `total` cells that took `done`; a silence is told with `silentSeconds`.
[[nodiscard]] std::string readEndText(TransferEnd end, int done, int total, int silentSeconds,
                                      std::string_view again);

// A ticked write that got through `ticksDone` of its ticks. A port that failed may have failed
// within the next tick's cell, so that one counts as written in part.
[[nodiscard]] std::string writeEndText(TransferEnd end,
                                       std::span<const std::optional<CellWrite>> ticks,
                                       int ticksDone, std::string_view again);

// Which parameters a cut-off write put into the logger, named by their captions: "Written: X
// Offset, Y Offset. Written in part, so the logger holds a mix of old and new bytes: X Gain.
// Not written: Y Gain, Z Gain." Cells outside the parameter map are named by their address.
[[nodiscard]] std::string writtenCellsText(std::span<const std::optional<CellWrite>> ticks,
                                           int ticksDone, bool nextTickCut);

}  // namespace tilt::config
