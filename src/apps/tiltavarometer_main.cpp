// tiltavarometer: the desktop companion of the Tiltavarometer inclination datalogger.
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <optional>

#include "apps/desktop_options.h"
#include "apps/desktop_program.h"
#include "common/error.h"
#include "frame/artwork.h"
#include "frame/screenshots.h"
#include "frame/single_instance.h"
#include "platform/data_root.h"
#include "platform/ui/qt_messages.h"

namespace {

tilt::apps::DesktopOptions parseOptions(const QApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "The PC companion of the Tiltavarometer: connect to a logger, configure it, launch a "
        "logging session, download and view its data.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption simulate(
        "simulate", "Add a simulated Tiltavarometer (with a recording) as port 1.");
    const QCommandLineOption port(
        "port", "Add the serial port at PATH (a tiltsim terminal, say) to the port list.", "PATH");
    const QCommandLineOption technician("technician", "Show the Display menu.");
    const QCommandLineOption screenshot(
        "screenshot", "Save a picture of every window into DIR/<window>.png and end.", "DIR");
    parser.addOptions({simulate, port, technician, screenshot});
    parser.addPositionalArgument("FILE", "A data file (.tlg) to show in the Graph window.",
                                 "[FILE]");
    parser.process(app);
    if (parser.positionalArguments().size() > 1) {
        std::cerr << "tiltavarometer: give one data file at most.\n";
        std::exit(2);
    }

    tilt::apps::DesktopOptions options;
    options.simulate = parser.isSet(simulate);
    options.ports = parser.values(port);
    options.technician = parser.isSet(technician);
    options.screenshotFolder = parser.value(screenshot);
    if (!parser.positionalArguments().isEmpty()) {
        options.dataFile = QFileInfo(parser.positionalArguments().front()).absoluteFilePath();
    }
    return options;
}

}  // namespace

int main(int argc, char* argv[]) {
    // A file that may grow no further (a size limit) is a failed write to report, keeping what
    // the file holds, not a signal that ends the program half-way through a line.
    std::signal(SIGXFSZ, SIG_IGN);
    if (tilt::apps::needsNoDisplay(argc, argv)) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tiltavarometer");
    QApplication::setApplicationVersion(TILT_VERSION);
    // Lets the desktop match the program's windows to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("tiltavarometer"));
    QApplication::setWindowIcon(tilt::frame::productIcon());
    const tilt::apps::DesktopOptions options = parseOptions(app);
    const tilt::DataPaths paths = tilt::platform::dataPaths();

    // A second copy is refused before it touches a port or a window.
    std::optional<tilt::frame::SingleInstance> instance;
    if (options.screenshotFolder.isEmpty()) {
        instance.emplace(QString::fromStdString((paths.root / "tiltavarometer.lock").string()));
        tilt::platform::ui::QtMessages messages;
        if (!instance->claim(messages)) {
            return 1;
        }
    }

    tilt::apps::DesktopProgram program(options, paths);
    if (!options.screenshotFolder.isEmpty()) {
        program.start();
        try {
            for (const QString& file :
                 tilt::frame::saveScreenshots(program.frame(), options.screenshotFolder)) {
                std::cout << file.toStdString() << "\n";
            }
        } catch (const tilt::Error& e) {
            std::cerr << "tiltavarometer: " << e.what() << "\n";
            return 1;
        }
        return 0;
    }
    program.start();
    if (!options.dataFile.isEmpty()) {
        program.frame().openDataFile(options.dataFile);
    }
    return QApplication::exec();
}
