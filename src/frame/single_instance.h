#pragma once

#include <QLockFile>
#include <QString>

namespace tilt {
class Messages;
}

namespace tilt::frame {

// One running program per data folder: a lock file that the operating system's process table
// keeps honest (a crashed program's lock is taken over).
class SingleInstance {
  public:
    explicit SingleInstance(const QString& lockPath);

    // True for the first instance. A later one is told "The program is already running!" and
    // gets false.
    [[nodiscard]] bool claim(Messages& messages);

  private:
    QLockFile lock_;
};

}  // namespace tilt::frame
