#include "frame/single_instance.h"

#include "common/messages.h"

namespace tilt::frame {

SingleInstance::SingleInstance(const QString& lockPath) : lock_(lockPath) {
    // The lock is released only by its holder ending; never treat a live one as stale.
    lock_.setStaleLockTime(0);
}

bool SingleInstance::claim(Messages& messages) {
    if (lock_.tryLock(0)) {
        return true;
    }
    if (lock_.error() != QLockFile::LockFailedError) {
        return true;  // the folder cannot hold a lock: nothing says another copy runs
    }
    messages.show("The program is already running!");
    return false;
}

}  // namespace tilt::frame
