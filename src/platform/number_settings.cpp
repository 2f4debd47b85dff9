#include "platform/number_settings.h"

#include <QLocale>

namespace tilt::platform {

std::string decimalSeparator() {
    const QString point = QLocale().decimalPoint();
    return point.isEmpty() ? std::string(".") : point.toStdString();
}

}  // namespace tilt::platform
