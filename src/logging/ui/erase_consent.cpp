#include "logging/ui/erase_consent.h"

#include "common/messages.h"
#include "common/ui/app_context.h"
#include "logging/download_report.h"
#include "platform/ui/device_thread.h"

namespace tilt::logging::ui {

bool askToErase(common::ui::AppContext& context, QObject* owner, const EraseCheck& check,
                std::string_view warning) {
    return context.device.ask(
        owner, [&] { return confirmErasing(context.messages, context.state, check, warning); },
        false);
}

}  // namespace tilt::logging::ui
