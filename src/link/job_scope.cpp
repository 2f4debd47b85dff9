#include "link/job_scope.h"

#include <utility>

#include "common/error_reporter.h"

namespace tilt::link {

JobScope::JobScope(DeviceLink& link, std::int16_t commPort, ErrorReporter& errors,
                   std::string caller, ScreenName activeScreen)
    : link_(link),
      commPort_(commPort),
      errors_(errors),
      caller_(std::move(caller)),
      activeScreen_(std::move(activeScreen)) {}

std::string JobScope::screen() const {
    std::string active = activeScreen_ ? activeScreen_() : std::string();
    return active.empty() ? caller_ : active;
}

void JobScope::report(const Error& error, std::string_view source) const {
    errors_.report(error, source, screen());
}

}  // namespace tilt::link
