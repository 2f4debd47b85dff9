// tiltctl: the device operations of the Tiltavarometer companion, from a terminal.
#include <unistd.h>

#include <csignal>

#include <QCommandLineParser>
#include <QCoreApplication>
#include <iostream>
#include <memory>
#include <sstream>

#include "apps/tiltctl_commands.h"
#include "common/error.h"
#include "common/startup.h"
#include "device/sim_options.h"
#include "link/clock.h"
#include "platform/precise_timers.h"
#include "platform/settings_store.h"

namespace {

using tilt::ctl::Command;
using tilt::ctl::UsageError;

const char* kPortHelp =
    "Port of the device: a path (/dev/ttyUSB0, a tiltsim terminal), a port number, or sim "
    "(a simulated device in this process; sim:bin, sim:linear1..3 preload a recording). "
    "Default: the port chosen last in the desktop program.";

std::string commandName(const Command& c) {
    std::string name;
    for (const auto& w : c.words) {
        name += (name.empty() ? "" : " ") + w;
    }
    return name;
}

std::string overview() {
    std::ostringstream text;
    text << "Usage: tiltctl [--port PORT] COMMAND [ARGS]\n\n"
         << "Talks to a Tiltavarometer over its serial line.\n\n"
         << "Options:\n  --port PORT   " << kPortHelp << "\n  -h, --help    This help.\n"
         << "  -v, --version Version.\n\nCommands:\n";
    for (const auto& c : tilt::ctl::commands()) {
        // The summary starts at column 24, on a line of its own after a long command.
        std::string left = commandName(c) + (c.arguments.empty() ? "" : " " + c.arguments);
        if (left.size() + 2 > 22) {
            left += "\n" + std::string(24, ' ');
        } else {
            left.resize(22, ' ');
        }
        text << "  " << left << c.summary << "\n";
    }
    text << "\nExit codes: 0 done, 1 the device failed or did not answer, 2 bad usage,\n"
         << "130 halted by Ctrl+C. With --json, a result is one JSON object on stdout; a command\n"
         << "that ends without one (bad usage, no answer) prints only its message on stderr.\n"
         << "tiltctl COMMAND --help explains a command.\n";
    return text.str();
}

// Finds the command named by the leading words of `args` and removes those words.
const Command* takeCommand(QStringList& args) {
    const Command* best = nullptr;
    for (const auto& c : tilt::ctl::commands()) {
        if (static_cast<qsizetype>(c.words.size()) > args.size()) {
            continue;
        }
        bool match = true;
        for (std::size_t i = 0; i < c.words.size(); ++i) {
            match = match && args[static_cast<qsizetype>(i)].toStdString() == c.words[i];
        }
        if (match && (!best || c.words.size() > best->words.size())) {
            best = &c;
        }
    }
    if (best) {
        args.remove(0, static_cast<qsizetype>(best->words.size()));
    }
    return best;
}

// The port the desktop program saved, read as it reads it. Its "0" means no port was chosen,
// which the command then says; any other text that is no port number is refused before a port
// is touched (a negative number would otherwise be tried as a port).
std::int16_t savedPort() {
    const std::string saved = tilt::platform::QtSettingsStore().currentCommPort();
    std::int16_t port = 0;
    try {
        port = tilt::commPortFromSetting(saved);
    } catch (const tilt::Error&) {
        port = -1;  // beyond 16 bits: no port either
    }
    if (port >= 1 || saved == "0") {
        return port;
    }
    throw UsageError{"the saved port \"" + saved +
                     "\" is not a port number (1 to 32767). Name the port with --port, or "
                     "choose it again in the desktop program's Connect window."};
}

std::int16_t selectPort(tilt::platform::SystemPortCatalogue& catalogue, const QString& port) {
    if (port.isEmpty()) {
        return savedPort();
    }
    if (port == "sim" || port.startsWith("sim:")) {
        tilt::device::SimOptions options;
        if (port.startsWith("sim:")) {
            options.preload = tilt::device::parsePreload(port.mid(4).toStdString());
        }
        options.keepRxLog = false;
        return static_cast<std::int16_t>(catalogue.addSimulatedDevice(options));
    }
    bool isNumber = false;
    const int number = port.toInt(&isNumber);
    if (isNumber) {
        if (number < 1 || number > 32767) {
            throw UsageError{"--port " + port.toStdString() + " is not a port number (1 or more)."};
        }
        return static_cast<std::int16_t>(number);
    }
    return static_cast<std::int16_t>(catalogue.addNamedPort(port.toStdString()));
}

int runCommand(const Command& command, QStringList args, const QString& portOption) {
    if (args.contains("--help") || args.contains("-h")) {
        // The summary's lines as the overview indents them, here from the left margin.
        const std::string indented = "\n" + std::string(24, ' ');
        std::string summary = command.summary;
        for (auto at = summary.find(indented); at != std::string::npos;
             at = summary.find(indented, at + 1)) {
            summary.replace(at, indented.size(), "\n");
        }
        std::cout << "Usage: tiltctl [--port PORT] " << commandName(command)
                  << (command.arguments.empty() ? "" : " " + command.arguments) << "\n\n"
                  << summary << "\n\n--port PORT   " << kPortHelp << "\n";
        return tilt::ctl::kDone;
    }
    tilt::link::SystemClock clock;
    tilt::platform::SystemPortCatalogue catalogue(clock);
    tilt::ctl::Context ctx{clock, catalogue, 0, std::cout, std::cerr, isatty(STDERR_FILENO) == 1};
    if (command.needsPort || !portOption.isEmpty()) {
        ctx.port = selectPort(catalogue, portOption);
    }
    return command.run(ctx, args);
}

}  // namespace

int main(int argc, char* argv[]) {
    // A file that may grow no further (a size limit) is a failed write to report, keeping what
    // the file holds, not a signal that ends the program half-way through a line.
    std::signal(SIGXFSZ, SIG_IGN);
    // The operations run on this thread: their pauses should end on time.
    tilt::platform::preciseTimers();
    // Read as QCoreApplication::arguments() would, but before the application object exists:
    // which one to create depends on the command.
    QStringList args;
    for (int i = 1; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    QString portOption;
    // Global options come before the command.
    while (!args.isEmpty() && args.front().startsWith("-")) {
        const QString option = args.takeFirst();
        if (option == "--help" || option == "-h") {
            std::cout << overview();
            return tilt::ctl::kDone;
        }
        if (option == "--version" || option == "-v") {
            std::cout << "tiltctl " << TILT_VERSION << "\n";
            return tilt::ctl::kDone;
        }
        if (option == "--port" && !args.isEmpty()) {
            portOption = args.takeFirst();
        } else if (option.startsWith("--port=")) {
            portOption = option.mid(7);
        } else {
            std::cerr << "tiltctl: unknown option " << option.toStdString()
                      << " (tiltctl --help lists them)\n";
            return tilt::ctl::kBadUsage;
        }
    }
    if (args.isEmpty()) {
        std::cerr << overview();
        return tilt::ctl::kBadUsage;
    }
    const Command* command = takeCommand(args);
    if (!command) {
        std::cerr << "tiltctl: unknown command '" << args.join(' ').toStdString()
                  << "' (tiltctl --help lists them)\n";
        return tilt::ctl::kBadUsage;
    }
    const auto app = command->application ? command->application(argc, argv)
                                          : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName("tiltctl");
    QCoreApplication::setApplicationVersion(TILT_VERSION);
    try {
        return runCommand(*command, args, portOption);
    } catch (const UsageError& e) {
        std::cerr << "tiltctl " << commandName(*command) << ": " << e.message << "\n";
        return tilt::ctl::kBadUsage;
    } catch (const std::invalid_argument& e) {
        std::cerr << "tiltctl: " << e.what() << "\n";
        return tilt::ctl::kBadUsage;
    } catch (const tilt::Error& e) {
        std::cerr << "tiltctl " << commandName(*command) << ": " << e.what() << "\n";
        return tilt::ctl::kDeviceFailed;
    }
}
