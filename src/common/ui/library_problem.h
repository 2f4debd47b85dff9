#pragma once

#include <optional>
#include <string>

namespace tilt::common::ui {

struct AppContext;

// What the recordings library could not do for a job, and what it did on its own (a damaged file
// set aside), told in one message on the user-interface thread; nothing when all went well.
void tellLibraryProblem(AppContext& context, const std::optional<std::string>& problem);

}  // namespace tilt::common::ui
