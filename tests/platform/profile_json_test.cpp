// Profiles and read configurations as JSON.
#include "platform/profile_json.h"

#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>

namespace tilt::platform {
namespace {

TEST(ProfileJson, RoundTripsEveryValueExactly) {
    config::ParameterValues values = config::presetValues(config::Preset::Defaults);
    values[config::Field::TareX] = -45.00137329 + 1e-9;  // an angle read back, unrounded
    const auto parsed = parseProfile(profileJson(values));
    ASSERT_FALSE(parsed.problem) << *parsed.problem;
    EXPECT_EQ(parsed.entries, config::entriesOf(values));
}

TEST(ProfileJson, TextThatIsNoProfile_IsToldWhy) {
    for (const auto& [text, says] : {std::pair{"{\"OffsetX\": 3", "not JSON"},
                                     {"[1, 2]", "not one JSON object"},
                                     {"{\"OffsetX\": \"three\"}", "\"OffsetX\" is not a number"},
                                     {"{\"OffsetX\": null}", "\"OffsetX\" is not a number"}}) {
        const auto parsed = parseProfile(text);
        ASSERT_TRUE(parsed.problem) << text;
        EXPECT_NE(parsed.problem->find(says), std::string::npos) << *parsed.problem;
    }
}

TEST(ProfileJson, ReadConfiguration_CarriesTheIdentityBesideTheProfileKeys) {
    config::DeviceConfiguration c;
    c.serialNumber = 1234;
    c.launchYear = 2026;
    const QJsonObject object =
        QJsonDocument::fromJson(QByteArray::fromStdString(configurationJson(c))).object();
    EXPECT_EQ(object.size(), 24 + 7);
    EXPECT_EQ(object.value("SerialNumber").toInt(), 1234);
    EXPECT_EQ(object.value("LaunchYear").toInt(), 2026);
    EXPECT_TRUE(object.contains("LaunchSecond"));
    EXPECT_FALSE(object.contains("MinBinAngle"));
}

}  // namespace
}  // namespace tilt::platform
