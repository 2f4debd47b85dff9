#include "platform/precise_timers.h"

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace tilt::platform {

void preciseTimers() {
#ifdef __linux__
    (void)prctl(PR_SET_TIMERSLACK, 1UL);  // one nanosecond: no batching of this thread's wake-ups
#endif
}

}  // namespace tilt::platform
