#pragma once

#include <functional>

namespace tilt {

// Starts `work` on a new thread and returns what joins it. Serial ports need threads their
// library knows (see the platform's starter); plain std::thread serves everything else.
using ThreadStarter = std::function<std::function<void()>(std::function<void()> work)>;

}  // namespace tilt
