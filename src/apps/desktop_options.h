#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace tilt::apps {

// The desktop program's command line.
struct DesktopOptions {
    bool simulate = false;     // a simulated device as port 1
    QStringList ports;         // named ports (a tiltsim terminal, say), numbered after it
    bool technician = false;   // show the Display menu
    QString screenshotFolder;  // render every window there and end
    QString dataFile;          // a data file to show in the Graph window at start
};

// True when the command line asks for pictures, help or the version only, which need no
// display: the program then runs offscreen, decided before the application object exists.
[[nodiscard]] bool needsNoDisplay(int argc, char* argv[]);

}  // namespace tilt::apps
