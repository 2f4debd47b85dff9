// tiltctl --json: every command that prints a result prints it as one JSON object on one line
// of stdout, with the keys its --help names, and keeps its exit code. Run against the simulated
// device inside tiltctl (--port sim), which needs no pseudo-terminal.

#include <QFile>

#include "tiltsim_process.h"

namespace {

// The one object of a command's stdout, or an empty object (and a failure) when stdout is not
// exactly one line of JSON holding one object.
QJsonObject onlyObject(const CtlResult& run) {
    const std::string& out = run.out;
    EXPECT_TRUE(!out.empty() && out.back() == '\n' && out.find('\n') == out.size() - 1)
        << "not one line: " << out;
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << out;
    EXPECT_TRUE(document.isObject()) << out;
    return document.object();
}

QStringList sortedKeys(const QJsonObject& object) {
    QStringList keys = object.keys();
    keys.sort();
    return keys;
}

class TiltctlJson : public ProgramTest {
  protected:
    // The command's help must name every key the command printed.
    static void expectDocumented(const QStringList& command, const QJsonObject& object) {
        const auto help = runTiltctl(command + QStringList{"--help"});
        for (const QString& key : object.keys()) {
            EXPECT_THAT(help.out, HasSubstr("\"" + key.toStdString() + "\""))
                << command.join(' ').toStdString() << " --help does not name " << key.toStdString();
        }
    }
};

TEST_F(TiltctlJson, DeviceCommands_PrintOneObjectWithTheirDocumentedKeys) {
    struct Case {
        QStringList command;
        QStringList keys;
    };
    const Case cases[] = {
        {{"probe"}, {"answered", "commPort", "port"}},
        {{"connect"}, {"TareX", "TareY", "UpdateTimeIncrement"}},
        {{"eeprom", "read", "30"}, {"address", "value"}},
        {{"eeprom", "write", "40", "7"}, {"address", "value"}},
        {{"tare", "y"}, {"TareY"}},
        {{"untare", "x"}, {"TareX"}},
        {{"dac", "2", "513"}, {"cells", "dac", "value"}},
    };
    for (const Case& c : cases) {
        const auto run =
            runTiltctl(QStringList{"--port", "sim"} + c.command + QStringList{"--json"});
        EXPECT_EQ(run.exitCode, 0) << c.command.join(' ').toStdString() << ": " << run.err;
        const QJsonObject object = onlyObject(run);
        EXPECT_EQ(sortedKeys(object), c.keys) << c.command.join(' ').toStdString();
        expectDocumented(c.command.mid(0, c.command.size() > 1 && c.command[0] == "eeprom" ? 2 : 1),
                         object);
    }
    const auto cell = onlyObject(runTiltctl({"--port", "sim", "eeprom", "read", "30", "--json"}));
    EXPECT_EQ(cell.value("value").toInt(-1), 3) << "a factory device holds 3 in cell 30";
    const auto dac = onlyObject(runTiltctl({"--port", "sim", "dac", "3", "1000", "--json"}));
    EXPECT_EQ(dac.value("cells").toVariant().toList(), (QVariantList{66, 67}));
    const auto untare = onlyObject(runTiltctl({"--port", "sim", "untare", "y", "--json"}));
    EXPECT_EQ(untare.value("TareY").toDouble(-1), 0.0);
}

// A result that is a failure is still one object, and the process ends with the code the object
// names.
TEST_F(TiltctlJson, ResultsOfFailuresAndTheirExitCodes) {
    const QString profile = dir.filePath("changed.json");
    const auto defaults = runTiltctl({"config", "defaults"});
    ASSERT_EQ(defaults.exitCode, 0);
    QJsonObject values = jsonObject(defaults.out);
    values.insert("Averages", values.value("Averages").toDouble() + 1);
    QFile file(profile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(values).toJson());
    file.close();

    const auto diff = runTiltctl({"--port", "sim", "config", "diff", profile, "--json"});
    const QJsonObject differences = onlyObject(diff);
    EXPECT_EQ(diff.exitCode, 1);
    EXPECT_EQ(differences.value("exitCode").toInt(-1), 1);
    EXPECT_TRUE(differences.value("differences").toObject().contains("Averages")) << diff.out;
    expectDocumented({"config", "diff"}, differences);

    const auto detect = runTiltctl({"detect", "--json"});
    const QJsonObject found = onlyObject(detect);
    ASSERT_TRUE(found.contains("found"));
    EXPECT_EQ(detect.exitCode, found.value("found").toBool() ? 0 : 1);

    const auto erase =
        runTiltctl({"--port", "sim", "erase", "--yes", "--discard-undownloaded", "--json"});
    EXPECT_EQ(erase.exitCode, 0) << erase.err;
    const QJsonObject erased = onlyObject(erase);
    EXPECT_EQ(erased.value("result").toString(), "completed");
    EXPECT_EQ(erased.value("exitCode").toInt(-1), 0);
    EXPECT_THAT(erase.err, HasSubstr("Erase completed!")) << "the message on stderr";
    expectDocumented({"erase"}, erased);
}

}  // namespace
