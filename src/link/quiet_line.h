#pragma once

#include "link/clock.h"

namespace tilt::link {

class DeviceLink;

// Waits until no byte has come for `quiet`: the rest of a reply that went wrong, or the surplus
// of one that looked whole. At most `bound` in all, so that a line that never goes quiet (noise,
// a device that streams) cannot hold an operation up; a stop ends it too. Takes nothing.
void waitForQuietLine(DeviceLink& link, Nanos quiet, Nanos bound);

}  // namespace tilt::link
