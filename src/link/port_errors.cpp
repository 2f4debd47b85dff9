#include "link/port_errors.h"

namespace tilt::link {

Error noSuchPortError(const std::string& port) {
    return Error(errc::kInvalidPortNumber, "Invalid port number: " + port +
                                               " does not exist. Check the cable and the "
                                               "adapter, or choose another port.");
}

Error portInUseError(const std::string& port) {
    return Error(errc::kPortAlreadyOpen, port +
                                             " is in use by another program. Close that "
                                             "program (or the other tiltctl), then try again.");
}

Error portPermissionError(const std::string& port) {
    return Error(errc::kPermissionDenied,
                 "Permission denied on " + port +
                     ": your user may not use serial ports. On Linux, add your user to the "
                     "dialout group (sudo usermod -aG dialout $USER) and log in again.");
}

Error portLostError(const std::string& port, const std::string& detail) {
    return Error(errc::kPortLost,
                 "The connection on " + port +
                     " was lost: the cable or adapter was disconnected (the system said: " +
                     detail + "). Plug it in again, then start again.");
}

}  // namespace tilt::link
