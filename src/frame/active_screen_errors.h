#pragma once

#include "common/error_reporter.h"

namespace tilt::frame {

// The common error handler as the windows call it, on the user-interface thread. A failure in a
// window's procedure names the window that is active when it happens, as the user saw the
// program then. Reports of the modules and of start-up keep the screen they give, and so does
// every report while no window of the program is active. (A device job's scope names the active
// window itself: the device thread reports to the plain handler.)
class ActiveScreenErrors final : public ErrorReporter {
  public:
    explicit ActiveScreenErrors(ErrorReporter& handler) : handler_(handler) {}

    void handleError(std::int32_t number, std::string_view source, std::string_view screen,
                     std::string_view description) override;

  private:
    ErrorReporter& handler_;
};

}  // namespace tilt::frame
