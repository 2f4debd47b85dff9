#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tilt {
class Error;
class ErrorReporter;
}  // namespace tilt

namespace tilt::link {

class DeviceLink;

// What a device job works in: the link it talks through, the port it opens, where its failures
// go and which screen they name. Whoever starts a job builds one: the device thread for a
// window, tiltctl with a screen name of its own.
class JobScope {
  public:
    using ScreenName = std::function<std::string()>;

    // `caller` names the screen that started the job; `activeScreen`, when given, is asked at
    // each report for the screen in front of the user then (empty: none of ours).
    JobScope(DeviceLink& link, std::int16_t commPort, ErrorReporter& errors, std::string caller,
             ScreenName activeScreen = {});

    [[nodiscard]] DeviceLink& link() const { return link_; }
    [[nodiscard]] std::int16_t commPort() const { return commPort_; }
    [[nodiscard]] ErrorReporter& errors() const { return errors_; }

    // The port primitives name the caller: the port was chosen there.
    [[nodiscard]] const std::string& caller() const { return caller_; }

    // A job runs for seconds and the user may have moved on meanwhile: everything else names
    // the screen active when the failure comes, or the caller when none of ours is.
    [[nodiscard]] std::string screen() const;

    // Reports a failure of `source` under the screen of the moment.
    void report(const Error& error, std::string_view source) const;

  private:
    DeviceLink& link_;
    std::int16_t commPort_;
    ErrorReporter& errors_;
    std::string caller_;
    ScreenName activeScreen_;
};

}  // namespace tilt::link
