#include "common/error_reporter.h"

#include "common/error.h"

namespace tilt {

void ErrorReporter::report(const Error& error, std::string_view source, std::string_view screen) {
    const std::string description = error.description();
    handleError(error.number(), source, screen, description);
}

}  // namespace tilt
