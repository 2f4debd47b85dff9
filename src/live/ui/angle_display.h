#pragma once

#include <QString>

#include "link/protocol.h"

class QDial;
class QWidget;

namespace tilt {
struct AppState;
}

namespace tilt::live::ui {

// A dial that shows an angle from -`halfTurn` to +`halfTurn` (one full turn), a notch every
// 45 degrees. It only shows: the user does not turn it.
[[nodiscard]] QDial* angleDial(const QString& objectName, int halfTurn, int minimumSize,
                               QWidget* parent);

// Keeps the newest angle reading in the program-wide variables, the raw words as two's
// complement counts.
void keepAngleReading(AppState& state, const link::AngleReading& reading);

}  // namespace tilt::live::ui
