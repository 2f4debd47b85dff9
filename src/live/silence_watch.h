#pragma once

#include <functional>
#include <utility>

#include "link/clock.h"
#include "link/device_link.h"

namespace tilt::live {

// How long without a reply a polling loop waits before it says the device is silent: a device
// that answers at all answers hundreds of times in that time.
inline constexpr link::Nanos kSilenceShownAfter = link::ms(1000);

// Beside a polling loop: tells once when the device has not answered for kSilenceShownAfter,
// and once when it answers again, so that a window can say what is going on while the loop
// keeps asking.
class SilenceWatch {
  public:
    SilenceWatch(link::DeviceLink& link, std::function<void(bool silent)> onChange)
        : link_(link), onChange_(std::move(onChange)), lastAnswer_(link.now()) {}

    // A reply came.
    void answered() {
        lastAnswer_ = link_.now();
        if (silent_) {
            silent_ = false;
            tell();
        }
    }

    // Called after each poll, whatever it brought.
    void look() {
        if (!silent_ && link_.now() - lastAnswer_ >= kSilenceShownAfter) {
            silent_ = true;
            tell();
        }
    }

  private:
    void tell() {
        if (onChange_) {
            onChange_(silent_);
        }
    }

    link::DeviceLink& link_;
    std::function<void(bool)> onChange_;
    link::Nanos lastAnswer_;
    bool silent_ = false;
};

}  // namespace tilt::live
