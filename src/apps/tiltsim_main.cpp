// tiltsim: a simulated Tiltavarometer on a pseudo-terminal.
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <stdexcept>

#include "device/sim_options.h"
#include "platform/posix/pty_server.h"

namespace {

const char* kDescription = R"(Serves a simulated Tiltavarometer on a pseudo-terminal.

The first line printed is the terminal's path: give it to a serial program,
for example  tiltctl --port <path> detect. The device then answers every
command at 19200-baud timing until tiltsim is ended or its standard input
closes (a standard input of /dev/null is not watched).

Faults (--faults), a comma-separated list; P is a probability per reply, and
at most one of the first four strikes a reply:
  lose=P      a reply loses one byte
  extra=P     a reply carries one random byte more
  garble=P    one byte of a reply is changed
  short=P     a reply is cut short
  silence=D@everyT   the device is silent for D at every T (e.g. 3s@every20s)
The recording, the EEPROM contents and the fault pattern depend only on the
options and --seed.

Attitude: the simulated logger moves slowly (X within about +-95 degrees, Y
within about +-50). --attitude X,Y holds it still at X degrees (-180 to 180)
and Y degrees (-90 to 90) instead, e.g. --attitude 30,-20: the angle replies
give those angles (less the tares while tare is enabled), the accelerometer
counts follow from them with the usual noise of one count, and logging
records them. A preloaded recording is not affected.

A slow logger: --reply-delay MS starts every reply MS milliseconds after its
request; --reply-jitter MS adds a random delay of up to MS milliseconds more;
--reply-delay-change MS@TIME changes the delay to MS from TIME after the start
on (e.g. --reply-delay 1 --reply-delay-change 150@5s).)";

bool isDevNull(int fd) {
    struct stat in {};
    struct stat null {};
    return ::fstat(fd, &in) == 0 && ::stat("/dev/null", &null) == 0 && S_ISCHR(in.st_mode) &&
           in.st_rdev == null.st_rdev;
}

tilt::device::SimOptions readOptions(const QCommandLineParser& parser) {
    using namespace tilt::device;
    SimOptions o;
    o.preload = parsePreload(parser.value("preload").toStdString());
    bool ok = false;
    o.pages = parser.value("pages").toInt(&ok);
    if (!ok || o.pages < 0 || o.pages > 2047) {
        throw std::invalid_argument("--pages takes a number of pages from 0 to 2047");
    }
    o.pushes = parser.value("pushes").toInt(&ok);
    if (!ok || o.pushes < 0) {
        throw std::invalid_argument("--pushes takes a number of button pushes, 0 or more");
    }
    o.seed = parser.value("seed").toULongLong(&ok);
    if (!ok) {
        throw std::invalid_argument("--seed takes a whole number");
    }
    o.pace = parseOnOff(parser.value("pace").toStdString());
    o.faults = parseFaultList(parser.value("faults").toStdString());
    o.keepRxLog = parser.isSet("rx-log");
    if (parser.isSet("attitude")) {
        o.attitude = parseAttitude(parser.value("attitude").toStdString());
    }
    o.replyDelay = parseReplyDelay(parser.value("reply-delay").toStdString(), "--reply-delay");
    o.replyJitter = parseReplyDelay(parser.value("reply-jitter").toStdString(), "--reply-jitter");
    if (parser.isSet("reply-delay-change")) {
        o.replyDelayChange =
            parseReplyDelayChange(parser.value("reply-delay-change").toStdString());
    }
    return o;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("tiltsim");
    QCoreApplication::setApplicationVersion(TILT_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(kDescription);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({
        {"preload", "Recording in memory: bin, linear1, linear2, linear3 or empty (erased).",
         "kind", "empty"},
        {"pages", "Recorded data pages (default 40).", "N", "40"},
        {"pushes", "Button pushes in a linear3 recording (default 3).", "K", "3"},
        {"seed", "Seed of the recording, EEPROM and faults (default 1).", "S", "1"},
        {"pace", "19200-baud byte timing: on or off (default on).", "on|off", "on"},
        {"faults", "Faults on the replies, e.g. lose=0.01,silence=3s@every20s.", "list", ""},
        {"rx-log", "Log every received byte: seconds since start, then its value.", "file"},
        {"attitude", "Hold the logger still at X,Y degrees (e.g. 30,-20) instead of moving.",
         "X,Y"},
        {"reply-delay", "Start every reply MS milliseconds after its request (default 0).", "MS",
         "0"},
        {"reply-jitter", "Add a random delay of up to MS milliseconds to every reply.", "MS", "0"},
        {"reply-delay-change", "From TIME after the start on, start replies MS ms late instead.",
         "MS@TIME"},
    });
    parser.process(app);
    if (!parser.positionalArguments().isEmpty()) {
        std::cerr << "tiltsim: unexpected argument '"
                  << parser.positionalArguments().front().toStdString() << "' (see --help)\n";
        return 2;
    }

    try {
        const auto options = readOptions(parser);
        std::FILE* rxLog = nullptr;
        if (parser.isSet("rx-log")) {
            rxLog = std::fopen(parser.value("rx-log").toLocal8Bit().constData(), "w");
            if (rxLog == nullptr) {
                std::cerr << "tiltsim: cannot write " << parser.value("rx-log").toStdString()
                          << "\n";
                return 2;
            }
        }
#ifdef __linux__
        // Reply bytes leave at their due times: by default Linux may wake the server up to 50 us
        // late to batch wake-ups, which a client at the line's pace sees as a slower device.
        (void)prctl(PR_SET_TIMERSLACK, 1UL);
#endif
        tilt::platform::PtyServer server(options);
        std::cout << server.open() << std::endl;  // first line, flushed at once
        server.serve(!isDevNull(STDIN_FILENO), rxLog);
        if (rxLog != nullptr) {
            std::fclose(rxLog);
        }
    } catch (const std::invalid_argument& e) {
        std::cerr << "tiltsim: " << e.what() << "\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "tiltsim: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
