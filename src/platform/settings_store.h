#pragma once

#include <string>

namespace tilt::platform {

// The one persisted setting: organisation/application "Tiltavarometer", group "Startup", key
// "CurrentCommPort", a decimal text.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    [[nodiscard]] virtual std::string currentCommPort() const = 0;  // "1" when never saved
    virtual void saveCurrentCommPort(const std::string& text) = 0;
};

class QtSettingsStore final : public SettingsStore {
  public:
    [[nodiscard]] std::string currentCommPort() const override;
    void saveCurrentCommPort(const std::string& text) override;
};

}  // namespace tilt::platform
