#include "apps/tiltctl_commands.h"

#include <QJsonDocument>
#include <iomanip>
#include <ostream>
#include <sstream>

#include "apps/tiltctl_config.h"
#include "apps/tiltctl_export.h"
#include "apps/tiltctl_library.h"
#include "apps/tiltctl_live.h"
#include "apps/tiltctl_logging.h"
#include "apps/tiltctl_plot.h"
#include "apps/tiltctl_remote.h"
#include "apps/tiltctl_store.h"
#include "common/error.h"
#include "common/error_reporter.h"
#include "common/messages.h"
#include "config/eeprom_access.h"
#include "link/auto_detect.h"
#include "link/device_link.h"
#include "link/job_scope.h"
#include "link/onboard_parameters.h"
#include "link/port_probe.h"
#include "platform/qt_threads.h"

namespace tilt::ctl {

void PrintingErrors::handleError(std::int32_t number, std::string_view source,
                                 std::string_view screen, std::string_view description) {
    ++count_;
    err_ << "tiltctl: error " << number << " in " << source << " (" << screen
         << "): " << description << "\n";
}

std::string plainLines(std::string_view text) {
    std::string lines(text);
    for (auto at = lines.find("\r\n"); at != std::string::npos; at = lines.find("\r\n", at)) {
        lines.erase(at, 1);
    }
    return lines;
}

void expectArguments(const QStringList& args, qsizetype count, const std::string& usage) {
    if (args.size() != count) {
        throw UsageError{"expected " + usage};
    }
}

const QString& optionValue(const QStringList& args, qsizetype& at, std::string_view usage) {
    if (at + 1 >= args.size()) {
        throw UsageError{args[at].toStdString() + " needs a value; " + std::string(usage)};
    }
    return args[++at];
}

namespace {
// The command overview starts summaries at this column; continuation lines line up with it.
constexpr std::size_t kSummaryColumn = 24;
constexpr std::size_t kHelpWidth = 100;
}  // namespace

std::string helpText(std::initializer_list<std::string> paragraphs) {
    const std::string indent(kSummaryColumn, ' ');
    std::string text;
    std::size_t column = 0;
    for (const std::string& paragraph : paragraphs) {
        if (!text.empty()) {
            text += "\n" + indent;
            column = 0;
        }
        std::istringstream words(paragraph);
        for (std::string word; words >> word;) {
            if (column > 0 && kSummaryColumn + column + 1 + word.size() > kHelpWidth) {
                text += "\n" + indent;
                column = 0;
            }
            if (column > 0) {
                text += ' ';
                ++column;
            }
            text += word;
            column += word.size();
        }
    }
    return text;
}

bool takeFlag(QStringList& args, const char* flag) {
    return args.removeAll(QString::fromLatin1(flag)) > 0;
}

std::string jsonLine(const QJsonObject& object) {
    QByteArray text = QJsonDocument(object).toJson(QJsonDocument::Compact);
    text += '\n';
    return text.toStdString();
}

int noPortSelected(Context& ctx) {
    ctx.err << kNoPortSelected << "\n";
    return kDeviceFailed;
}

namespace {

// A byte argument, checked before anything is sent.
int byteArgument(const QString& text, const char* what) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    if (!ok) {
        throw UsageError{"'" + text.toStdString() + "' is not a whole number; " + what +
                         " must be 0 to 255."};
    }
    if (value < 0 || value > 255) {
        throw UsageError{std::string(what) + " " + std::to_string(value) +
                         " does not fit in a byte (0 to 255); nothing was sent."};
    }
    return value;
}

std::string portName(Context& ctx, int number) {
    const auto entry = link::findPort(ctx.catalogue, number);
    return entry ? entry->name : "no such port";
}

std::string portLabel(Context& ctx, int number) {
    return portName(ctx, number) + " (Comm " + std::to_string(number) + ")";
}

QJsonObject portObject(Context& ctx, int number) {
    return {{"commPort", number}, {"port", QString::fromStdString(portName(ctx, number))}};
}

int runDetect(Context& ctx, QStringList args) {
    const bool json = takeFlag(args, "--json");
    expectArguments(args, 0, "nothing or --json");
    const auto found = link::autoDetect(ctx.catalogue, platform::qtThreads(), {}, {});
    if (json) {
        QJsonObject result = found ? portObject(ctx, *found) : QJsonObject{};
        result.insert("found", found.has_value());
        ctx.out << jsonLine(result);
    } else if (!found) {
        ctx.out << "Tiltavarometer not found on Comm 1-16!\n";
    } else {
        ctx.out << "Tiltavarometer found on Comm " << *found << "! (" << portName(ctx, *found)
                << ")\n";
    }
    return found ? kDone : kDeviceFailed;
}

int runProbe(Context& ctx, QStringList args) {
    const bool json = takeFlag(args, "--json");
    expectArguments(args, 0, "nothing or --json");
    link::DeviceLink link(ctx.catalogue);
    try {
        link.setPort(ctx.port);
        link.open();
        link.close();
    } catch (const Error& e) {
        ctx.err << e.what() << "\n";
        return kDeviceFailed;
    }
    const bool answered = link::detectDevice(link, ctx.port);
    if (json) {
        QJsonObject result = portObject(ctx, ctx.port);
        result.insert("answered", answered);
        ctx.out << jsonLine(result);
    } else {
        ctx.out << (answered ? "Tiltavarometer answered on " : "No Tiltavarometer answered on ")
                << portLabel(ctx, ctx.port) << ".\n";
    }
    return answered ? kDone : kDeviceFailed;
}

int runConnect(Context& ctx, QStringList args) {
    const bool json = takeFlag(args, "--json");
    expectArguments(args, 0, "nothing or --json");
    if (ctx.port == 0) {
        ctx.err << "No Comm port has been selected!\n";
        return kDeviceFailed;
    }
    link::DeviceLink link(ctx.catalogue);
    PrintingErrors errors(ctx.err);
    const auto parameters =
        link::readOnBoardParameters(link::JobScope(link, ctx.port, errors, "tiltctl"));
    if (!parameters) {
        ctx.err << plainLines(link::kOnBoardFailureMessage) << "\n";
        return kDeviceFailed;
    }
    if (json) {
        ctx.out << jsonLine({{"TareX", parameters->tareX},
                             {"TareY", parameters->tareY},
                             {"UpdateTimeIncrement", parameters->updateTimeIncrement}});
        return kDone;
    }
    std::ostringstream text;
    text << std::fixed << std::setprecision(1) << "TareX: " << parameters->tareX << "\n"
         << "TareY: " << parameters->tareY << "\n"
         << std::setprecision(0) << "UpdateTimeIncrement: " << parameters->updateTimeIncrement
         << "\n";
    ctx.out << text.str();
    return kDone;
}

int runEepromRead(Context& ctx, QStringList args) {
    const bool json = takeFlag(args, "--json");
    expectArguments(args, 1, "ADDR [--json]");
    const int address = byteArgument(args[0], "Address");
    link::DeviceLink link(ctx.catalogue);
    PrintingErrors errors(ctx.err);  // a failure throws: the cell read reports nothing itself
    const auto value =
        config::readEepromCell(link::JobScope(link, ctx.port, errors, "tiltctl"), address);
    if (!value) {
        ctx.err << "Read EEPROM error: packet length is <> 1 byte!\n";
        return kDeviceFailed;
    }
    if (json) {
        ctx.out << jsonLine({{"address", address}, {"value", static_cast<int>(*value)}});
    } else {
        ctx.out << static_cast<int>(*value) << "\n";
    }
    return kDone;
}

int runEepromWrite(Context& ctx, QStringList args) {
    const bool json = takeFlag(args, "--json");
    expectArguments(args, 2, "ADDR VALUE [--json]");
    const int address = byteArgument(args[0], "Address");
    const int value = byteArgument(args[1], "Value");
    link::DeviceLink link(ctx.catalogue);
    PrintingErrors errors(ctx.err);  // a failure throws: the cell write reports nothing itself
    config::writeEepromCell(link::JobScope(link, ctx.port, errors, "tiltctl"), address, value);
    if (json) {
        ctx.out << jsonLine({{"address", address}, {"value", value}});
    } else {
        ctx.out << "Wrote " << value << " to EEPROM address " << address << ".\n";
    }
    return kDone;
}

std::vector<Command> allCommands() {
    std::vector<Command> all = {
        {.words = {"detect"},
         .arguments = "[--json]",
         .summary = helpText({"Search ports 1 to 16 for the device and name the first that "
                              "answers.",
                              "--json: {\"found\", \"commPort\", \"port\"}."}),
         .run = runDetect,
         .needsPort = false},
        {{"probe"},
         "[--json]",
         helpText({"Check whether the device answers on --port.",
                   "--json: {\"answered\", \"commPort\", \"port\"}."}),
         runProbe},
        {{"connect"},
         "[--json]",
         helpText({"Read the tares and the update time increment, as the Connect window's OK "
                   "does.",
                   "--json: {\"TareX\", \"TareY\", \"UpdateTimeIncrement\"}."}),
         runConnect},
        {{"eeprom", "read"},
         "ADDR [--json]",
         helpText({"Print the value (0 to 255) of EEPROM cell ADDR.",
                   "--json: {\"address\", \"value\"}."}),
         runEepromRead},
        {{"eeprom", "write"},
         "ADDR VALUE [--json]",
         helpText({"Write VALUE (0 to 255) into EEPROM cell ADDR.",
                   "--json: {\"address\", \"value\"}."}),
         runEepromWrite},
    };
    for (auto& command : configCommands()) {
        all.push_back(std::move(command));
    }
    for (auto& command : loggingCommands()) {
        all.push_back(std::move(command));
    }
    for (auto& command : libraryCommands()) {
        all.push_back(std::move(command));
    }
    for (auto& command : exportCommands()) {
        all.push_back(std::move(command));
    }
    for (auto& command : storeCommands()) {
        all.push_back(std::move(command));
    }
    for (auto& command : plotCommands()) {
        all.push_back(std::move(command));
    }
    for (auto& command : remoteCommands()) {
        all.push_back(std::move(command));
    }
    for (auto& command : liveCommands()) {
        all.push_back(std::move(command));
    }
    return all;
}

}  // namespace

const std::vector<Command>& commands() {
    static const std::vector<Command> all = allCommands();
    return all;
}

}  // namespace tilt::ctl
