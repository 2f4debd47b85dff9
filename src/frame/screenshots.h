#pragma once

#include <QString>
#include <QStringList>

namespace tilt::frame {

class FrameWindow;

// Renders the frame and every window the program has into `folder`/<window class>.png and
// returns the files written (or throws tilt::Error when one cannot be saved).
QStringList saveScreenshots(FrameWindow& frame, const QString& folder);

}  // namespace tilt::frame
