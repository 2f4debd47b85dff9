#pragma once

#include <QString>

#include "link/protocol.h"

class QDial;
class QWidget;

namespace tilt::live::ui {

// A dial that shows an angle from -`halfTurn` to +`halfTurn` (one full turn), a notch every
// 45 degrees. It only shows: the user does not turn it.
[[nodiscard]] QDial* angleDial(const QString& objectName, int halfTurn, int minimumSize,
                               QWidget* parent);

}  // namespace tilt::live::ui
