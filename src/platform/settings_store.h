#pragma once

#include <string>

namespace tilt::platform {

// The persisted settings: organisation/application "Tiltavarometer", group "Startup", key
// "CurrentCommPort", a decimal text; and the team store's connection string (group "Store", key
// "Connection"), always without its password, with the server it led to (key "Server", as the
// server names itself) once a push or query has reached it.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    [[nodiscard]] virtual std::string currentCommPort() const = 0;  // "1" when never saved
    virtual void saveCurrentCommPort(const std::string& text) = 0;
    [[nodiscard]] virtual std::string storeConnection() const { return {}; }
    virtual void saveStoreConnection(const std::string& /*withoutPassword*/) {}
    [[nodiscard]] virtual std::string storeServer() const { return {}; }
    virtual void saveStoreServer(const std::string& /*server*/) {}
};

// Saves the team store's connection (already without its password). Another connection than
// the saved one forgets the server that one led to.
void rememberStoreConnection(SettingsStore& settings, const std::string& withoutPassword);

class QtSettingsStore final : public SettingsStore {
  public:
    [[nodiscard]] std::string currentCommPort() const override;
    void saveCurrentCommPort(const std::string& text) override;
    [[nodiscard]] std::string storeConnection() const override;
    void saveStoreConnection(const std::string& withoutPassword) override;
    [[nodiscard]] std::string storeServer() const override;
    void saveStoreServer(const std::string& server) override;
};

}  // namespace tilt::platform
