#include "apps/tiltctl_library.h"

#include <QJsonArray>
#include <QJsonObject>
#include <filesystem>
#include <ostream>

#include "library/config_differences.h"
#include "library/import_files.h"
#include "platform/sqlite_library.h"
#include "view/recording_clock.h"

namespace tilt::ctl {

namespace {

platform::SqliteLibrary openLibrary() {
    return platform::SqliteLibrary(platform::SqliteLibrary::inDataRoot());
}

// The launch time as ISO 8601, or as the header has it when it is no date.
QString isoLaunchTime(const std::string& launch) {
    const auto at = view::parseLaunchTime(launch);
    if (!at) {
        return QString::fromStdString(launch);
    }
    std::string text;
    view::appendIsoTime(text, *at);
    return QString::fromStdString(text);
}

bool missing(const DataFileEntry& e) {
    std::error_code ignored;
    return !std::filesystem::exists(e.path, ignored);
}

QJsonObject entryJson(const DataFileEntry& e) {
    QJsonObject o{
        {"id", static_cast<double>(e.id)},
        {"serial", static_cast<double>(e.recording.serial)},
        {"launchTime", isoLaunchTime(e.recording.launchTime)},
        {"mode", e.mode == RecordingMode::Bin ? "bin" : "linear"},
        {"channel", e.channel},
        {"pages", e.pages},
        {"samples", static_cast<double>(e.slotCount)},
        {"file", QString::fromStdString(e.path)},
        {"sha256", QString::fromStdString(e.sha256)},
        {"complete", e.complete},
        {"missing", missing(e)},
        {"downloadedAt", QString::fromStdString(e.downloadedAt)},
        {"program", QString::fromStdString(e.program)},
        {"firmware", QString::fromStdString(e.firmware)},
    };
    o.insert("loggingStarted", e.loggingStarted
                                   ? QJsonValue(QString::fromStdString(*e.loggingStarted))
                                   : QJsonValue(QJsonValue::Null));
    return o;
}

std::string entryLine(const DataFileEntry& e) {
    return std::to_string(e.id) + "  " + std::to_string(e.recording.serial) + "  " +
           isoLaunchTime(e.recording.launchTime).toStdString() + "  " +
           (e.mode == RecordingMode::Bin ? "bin" : "linear " + std::to_string(e.channel)) + "  " +
           std::to_string(e.slotCount) + (e.mode == RecordingMode::Bin ? " pairs" : " samples") +
           "  " + (e.complete ? "complete" : "incomplete") + "  " + e.path +
           (missing(e) ? "  (missing)" : "");
}

std::int64_t wholeNumber(const QString& text, const char* what) {
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok);
    if (!ok || value < 0) {
        throw UsageError{text.toStdString() + " is not " + what};
    }
    return value;
}

// A failure of the library itself: one message, exit 1.
int libraryFailed(Context& ctx, const LibraryError& e) {
    ctx.err << "tiltctl library: " << e.what() << "\n";
    return kDeviceFailed;
}

void sayNotice(Context& ctx, platform::SqliteLibrary& library) {
    if (const auto notice = library.takeNotice()) {
        ctx.err << *notice << "\n";
    }
}

int runList(Context& ctx, const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = takeFlag(args, "--json");
    std::optional<std::int64_t> serial;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "--serial") {
            serial = wholeNumber(optionValue(args, i, "[--serial N] [--json]"), "a serial number");
        } else {
            throw UsageError{"unexpected '" + args[i].toStdString() + "'"};
        }
    }
    auto library = openLibrary();
    try {
        for (const DataFileEntry& e : library.dataFiles(serial)) {
            ctx.out << (json ? jsonLine(entryJson(e)) : entryLine(e) + "\n");
        }
    } catch (const LibraryError& e) {
        return libraryFailed(ctx, e);
    }
    sayNotice(ctx, library);
    return kDone;
}

int runShow(Context& ctx, const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = takeFlag(args, "--json");
    expectArguments(args, 1, "ID [--json]");
    const std::int64_t id = wholeNumber(args[0], "an entry number");
    auto library = openLibrary();
    try {
        const auto entry = library.dataFile(id);
        if (!entry) {
            ctx.err << "tiltctl library: there is no entry " << id
                    << " (tiltctl library list shows them).\n";
            return kDeviceFailed;
        }
        if (json) {
            ctx.out << jsonLine(entryJson(*entry));
        } else {
            const QJsonObject o = entryJson(*entry);
            for (auto it = o.begin(); it != o.end(); ++it) {
                ctx.out << it.key().toStdString() << ": "
                        << (it.value().isString() ? it.value().toString().toStdString()
                            : it.value().isBool() ? (it.value().toBool() ? "yes" : "no")
                            : it.value().isNull()
                                ? "-"
                                : QString::number(it.value().toDouble(), 'g', 15).toStdString())
                        << "\n";
            }
        }
    } catch (const LibraryError& e) {
        return libraryFailed(ctx, e);
    }
    return kDone;
}

int runHistory(Context& ctx, const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = takeFlag(args, "--json");
    expectArguments(args, 1, "SERIAL [--json]");
    const std::int64_t serial = wholeNumber(args[0], "a serial number");
    auto library = openLibrary();
    try {
        const ConfigSnapshot* before = nullptr;
        const auto snapshots = library.snapshots(serial);
        for (const ConfigSnapshot& s : snapshots) {
            QJsonObject values;
            for (const auto& [name, value] : s.values) {
                values.insert(QString::fromStdString(name), QString::fromStdString(value));
            }
            // Fields a later snapshot lacks are left out, as they always were here: scripts read
            // these lines.
            QJsonObject changed;
            for (const library::FieldChange& c :
                 before ? library::configDifferences(before->values, s.values)
                        : std::vector<library::FieldChange>{}) {
                if (!c.dropped()) {
                    changed.insert(
                        QString::fromStdString(c.field),
                        QJsonArray{c.before ? QJsonValue(QString::fromStdString(*c.before))
                                            : QJsonValue(QJsonValue::Null),
                                   QString::fromStdString(*c.after)});
                }
            }
            if (json) {
                ctx.out << jsonLine({{"id", static_cast<double>(s.id)},
                                     {"takenAt", QString::fromStdString(s.takenAt)},
                                     {"kind", QString::fromStdString(s.kind)},
                                     {"values", values},
                                     {"changed", changed}});
            } else {
                ctx.out << s.takenAt << "  " << s.kind << "  " << s.values.size() << " values";
                for (auto it = changed.begin(); it != changed.end(); ++it) {
                    const QJsonArray pair = it.value().toArray();
                    ctx.out << (it == changed.begin() ? ": " : ", ") << it.key().toStdString()
                            << " " << pair[0].toString().toStdString() << " -> "
                            << pair[1].toString().toStdString();
                }
                ctx.out << "\n";
            }
            before = &s;
        }
        if (snapshots.empty() && !json) {
            ctx.err << "No configuration of logger " << serial
                    << " has been read or written here yet.\n";
        }
    } catch (const LibraryError& e) {
        return libraryFailed(ctx, e);
    }
    return kDone;
}

int runForget(Context& ctx, const QStringList& args) {
    expectArguments(args, 1, "ID");
    const std::int64_t id = wholeNumber(args[0], "an entry number");
    auto library = openLibrary();
    try {
        const auto entry = library.dataFile(id);
        if (!entry || !library.forget(id)) {
            ctx.err << "tiltctl library: there is no entry " << id << ".\n";
            return kDeviceFailed;
        }
        ctx.out << "Forgot entry " << id << "; the file stays: " << entry->path << "\n";
    } catch (const LibraryError& e) {
        return libraryFailed(ctx, e);
    }
    return kDone;
}

int runImport(Context& ctx, const QStringList& args) {
    if (args.isEmpty()) {
        throw UsageError{"expected PATH... (data files or folders)"};
    }
    auto library = openLibrary();
    library::ImportCounts counts;
    try {
        counts = library::importDataFiles(library, args, [&](const library::RefusedFile& file) {
            ctx.err << file.message << "\n";
        });
    } catch (const LibraryError& e) {
        return libraryFailed(ctx, e);
    }
    sayNotice(ctx, library);
    ctx.out << library::importSummary(counts) << "\n";
    return counts.refused > 0 ? kDeviceFailed : kDone;
}

}  // namespace

std::vector<Command> libraryCommands() {
    return {
        {{"library", "list"},
         "[--serial N] [--json]",
         helpText({"The data files in the recordings library, newest download first; of logger N "
                   "with --serial.",
                   "--json: one object a line: {\"id\", \"serial\", \"launchTime\", \"mode\", "
                   "\"channel\", \"pages\", \"samples\", \"file\", \"sha256\", \"complete\", "
                   "\"missing\", \"downloadedAt\", \"program\", \"firmware\", "
                   "\"loggingStarted\"}."}),
         runList,
         {},
         false},
        {{"library", "show"},
         "ID [--json]",
         helpText({"One entry of the library, every field."}),
         runShow,
         {},
         false},
        {{"library", "history"},
         "SERIAL [--json]",
         helpText({"Every configuration read from or written to logger SERIAL here, oldest first, "
                   "each with what changed since the one before.",
                   "--json: one object a line: {\"id\", \"takenAt\", \"kind\", \"values\", "
                   "\"changed\"}, changed mapping a field to [before, after]."}),
         runHistory,
         {},
         false},
        {{"library", "forget"},
         "ID",
         helpText({"Drop entry ID from the library; the data file itself stays."}),
         runForget,
         {},
         false},
        {{"library", "import"},
         "PATH...",
         helpText({"Add data files to the library: each file named, and the .tlg files in each "
                   "folder named (and its folders). Files already in it (the same SHA-256) are "
                   "passed over; a foreign or damaged file is refused with its name and reason, "
                   "the others are imported. Exit 1 when any was refused."}),
         runImport,
         {},
         false},
    };
}

}  // namespace tilt::ctl
