#include "common/ui/library_problem.h"

#include "common/messages.h"
#include "common/recordings_library.h"
#include "common/ui/app_context.h"

namespace tilt::common::ui {

void tellLibraryProblem(AppContext& context, const std::optional<std::string>& problem) {
    std::string text = context.library.takeNotice().value_or("");
    if (problem) {
        text += (text.empty() ? "" : "\r\n") + *problem;
    }
    if (!text.empty()) {
        context.messages.show(text);
    }
}

}  // namespace tilt::common::ui
