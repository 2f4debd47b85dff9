#include "platform/settings_store.h"

#include <QSettings>

namespace tilt::platform {

namespace {
const QString kOrganisation = QStringLiteral("Tiltavarometer");
const QString kApplication = QStringLiteral("Tiltavarometer");
const QString kKey = QStringLiteral("Startup/CurrentCommPort");
const QString kStoreKey = QStringLiteral("Store/Connection");
const QString kServerKey = QStringLiteral("Store/Server");
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

std::string QtSettingsStore::storeConnection() const {
    const QSettings settings(kOrganisation, kApplication);
    return settings.value(kStoreKey).toString().toStdString();
}

void QtSettingsStore::saveStoreConnection(const std::string& withoutPassword) {
    QSettings settings(kOrganisation, kApplication);
    settings.setValue(kStoreKey, QString::fromStdString(withoutPassword));
    settings.sync();
}

std::string QtSettingsStore::storeServer() const {
    const QSettings settings(kOrganisation, kApplication);
    return settings.value(kServerKey).toString().toStdString();
}

void QtSettingsStore::saveStoreServer(const std::string& server) {
    QSettings settings(kOrganisation, kApplication);
    settings.setValue(kServerKey, QString::fromStdString(server));
    settings.sync();
}

void rememberStoreConnection(SettingsStore& settings, const std::string& withoutPassword) {
    if (settings.storeConnection() != withoutPassword) {
        settings.saveStoreConnection(withoutPassword);
        settings.saveStoreServer({});
    }
}

}  // namespace tilt::platform
