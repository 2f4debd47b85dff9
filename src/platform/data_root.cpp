#include "platform/data_root.h"

#include <QDir>
#include <QStandardPaths>

namespace tilt::platform {

DataPaths dataPaths() {
    QString root = qEnvironmentVariable("TILTAVAROMETER_HOME");
    if (root.isEmpty()) {
        root = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
               QStringLiteral("/Tiltavarometer");
    }
    QDir().mkpath(root);
    return {root.toStdString()};
}

}  // namespace tilt::platform
