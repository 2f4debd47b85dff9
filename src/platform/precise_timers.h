#pragma once

namespace tilt::platform {

// Lets the calling thread's timed sleeps and waits end as close to their deadline as the system
// allows. Linux lets a sleeping thread oversleep by up to 50 µs by default so that it can batch
// wake-ups; a device conversation of hundreds of 12 ms pauses adds that up.
void preciseTimers();

}  // namespace tilt::platform
