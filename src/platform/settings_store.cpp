#include "platform/settings_store.h"

#include <QSettings>

namespace tilt::platform {

namespace {
const QString kOrganisation = QStringLiteral("Tiltavarometer");
const QString kApplication = QStringLiteral("Tiltavarometer");
const QString kKey = QStringLiteral("Startup/CurrentCommPort");
}  // namespace

std::string QtSettingsStore::currentCommPort() const {
    const QSettings settings(kOrganisation, kApplication);
    return settings.value(kKey, QStringLiteral("1")).toString().toStdString();
}

void QtSettingsStore::saveCurrentCommPort(const std::string& text) {
    QSettings settings(kOrganisation, kApplication);
    settings.setValue(kKey, QString::fromStdString(text));
    settings.sync();
}

}  // namespace tilt::platform
