#pragma once

#include <QString>
#include <QStringList>

namespace tilt::frame {

class MDIForm1;

// Renders the frame and every window the program has into `folder`/<window class>.png and
// returns the files written (or throws tilt::Error when one cannot be saved).
QStringList saveScreenshots(MDIForm1& frame, const QString& folder);

}  // namespace tilt::frame
