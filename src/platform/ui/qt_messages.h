#pragma once

#include <atomic>

#include "common/messages.h"

namespace tilt::platform::ui {

// Modal Qt message boxes titled "Tiltavarometer", over the active window. Safe to call from the
// device thread: the box is shown on the user-interface thread and the caller waits for the
// answer. Once the program is closing, questions get their "go on" answer without a box.
class QtMessages final : public Messages {
  public:
    void show(const std::string& text) override;
    Answer ask(const std::string& text, Buttons buttons) override;
    std::size_t choose(const std::string& text, const std::vector<std::string>& choices,
                       std::size_t defaultChoice, std::size_t escapeChoice) override;

    void setClosing() { closing_ = true; }

  private:
    Answer askHere(const std::string& text, Buttons buttons);

    std::atomic<bool> closing_{false};
};

}  // namespace tilt::platform::ui
