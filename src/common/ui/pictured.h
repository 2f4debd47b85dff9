#pragma once

namespace tilt::common::ui {

// A window that has a state worth picturing beyond how it opens (a configuration read, a few
// seconds of sampling): `--screenshot` asks it to get there before the picture is taken. It
// runs the event loop as long as it needs and never waits on a dialog.
class Pictured {
  public:
    virtual ~Pictured() = default;
    virtual void prepareForPicture() = 0;
};

}  // namespace tilt::common::ui
