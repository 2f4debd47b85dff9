#include "link/quiet_line.h"

#include <algorithm>

#include "link/device_link.h"

namespace tilt::link {

void waitForQuietLine(DeviceLink& link, Nanos quiet, Nanos bound) {
    const Nanos end = link.now() + bound;
    for (std::size_t seen = link.bytesWaiting(); !link.stopRequested() && link.now() < end;) {
        if (!link.waitForBytes(seen + 1, std::min(end, link.now() + quiet))) {
            break;
        }
        seen = link.bytesWaiting();
    }
}

}  // namespace tilt::link
