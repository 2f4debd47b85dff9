#pragma once

#include "common/file_dialogs.h"

namespace tilt::platform::ui {

// Qt's file dialogs over the active window.
class QtFileDialogs final : public FileDialogs {
  public:
    [[nodiscard]] std::optional<std::string> save(const Request& request) override;
    [[nodiscard]] std::optional<std::string> open(const Request& request) override;
};

}  // namespace tilt::platform::ui
