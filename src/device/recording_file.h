#pragma once

#include <string>

#include "device/sim_options.h"

namespace tilt::device {

// Downloads the recording of a simulated device made from `options` into the data file `file`,
// exactly as the Download window does (header, page lines, and the CSV of a linear recording),
// but in virtual time: a full memory takes seconds, not minutes. Pictures of the graph windows,
// demonstrations and benchmarks start from such a file. Throws tilt::Error when the download
// does not complete.
void downloadSimulatedRecording(SimOptions options, const std::string& file);

}  // namespace tilt::device
