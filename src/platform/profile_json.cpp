#include "platform/profile_json.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace tilt::platform {

namespace {

QJsonObject profileObject(const config::ParameterValues& values) {
    QJsonObject object;
    for (const auto& [field, value] : values) {
        const std::string_view key = config::parameterOf(field).key;
        object.insert(QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size())), value);
    }
    return object;
}

std::string indented(const QJsonObject& object) {
    return QJsonDocument(object).toJson(QJsonDocument::Indented).toStdString();
}

}  // namespace

std::string profileJson(const config::ParameterValues& values) {
    return indented(profileObject(values));
}

ParsedProfile parseProfile(const std::string& text) {
    ParsedProfile parsed;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    if (error.error != QJsonParseError::NoError) {
        parsed.problem = "it is not JSON (" + error.errorString().toStdString() + " at character " +
                         std::to_string(error.offset) + ")";
        return parsed;
    }
    if (!document.isObject()) {
        parsed.problem = "it is not one JSON object of keys and values";
        return parsed;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (!it.value().isDouble()) {
            parsed.problem = it.key().toStdString();
            parsed.problem->insert(0, 1, '"').append("\" is not a number");
            return parsed;
        }
        parsed.entries[it.key().toStdString()] = it.value().toDouble();
    }
    return parsed;
}

std::string configurationJson(const config::DeviceConfiguration& c) {
    QJsonObject object = profileObject(config::profileValuesOf(c.record));
    object.insert(QStringLiteral("SerialNumber"), c.serialNumber);
    object.insert(QStringLiteral("LaunchDay"), c.launchDay);
    object.insert(QStringLiteral("LaunchMonth"), c.launchMonth);
    object.insert(QStringLiteral("LaunchYear"), c.launchYear);
    object.insert(QStringLiteral("LaunchHour"), c.launchHour);
    object.insert(QStringLiteral("LaunchMinute"), c.launchMinute);
    object.insert(QStringLiteral("LaunchSecond"), c.launchSecond);
    return indented(object);
}

}  // namespace tilt::platform
