#include "live/ui/angle_display.h"

#include <QDial>

namespace tilt::live::ui {

QDial* angleDial(const QString& objectName, int halfTurn, int minimumSize, QWidget* parent) {
    auto* dial = new QDial(parent);
    dial->setObjectName(objectName);
    dial->setRange(-halfTurn, halfTurn);
    dial->setWrapping(true);
    dial->setNotchesVisible(true);
    dial->setPageStep(halfTurn / 4);  // a notch every 45 degrees
    dial->setValue(0);
    dial->setAttribute(Qt::WA_TransparentForMouseEvents);
    dial->setFocusPolicy(Qt::NoFocus);
    dial->setMinimumSize(minimumSize, minimumSize);
    return dial;
}

}  // namespace tilt::live::ui
