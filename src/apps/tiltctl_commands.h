#pragma once

#include <QStringList>
#include <functional>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

#include "link/clock.h"
#include "platform/system_port_catalogue.h"

namespace tilt::ctl {

// Exit codes of tiltctl.
inline constexpr int kDone = 0;
inline constexpr int kDeviceFailed = 1;
inline constexpr int kBadUsage = 2;

// What every command gets: the port catalogue, the selected port and the output streams.
struct Context {
    link::Clock& clock;
    platform::SystemPortCatalogue& catalogue;
    std::int16_t port = 0;
    std::ostream& out;
    std::ostream& err;
};

// A bad command line: the message is printed and tiltctl ends with kBadUsage.
struct UsageError {
    std::string message;
};

struct Command {
    std::vector<std::string> words;  // e.g. {"eeprom", "read"}
    std::string arguments;           // e.g. "ADDR"
    std::string summary;
    std::function<int(Context&, const QStringList& args)> run;
};

[[nodiscard]] const std::vector<Command>& commands();

}  // namespace tilt::ctl
