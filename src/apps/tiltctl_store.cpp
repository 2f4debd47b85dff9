#include "apps/tiltctl_store.h"

#include <QJsonArray>
#include <ostream>

#include "apps/tiltctl_console.h"
#include "common/error.h"
#include "platform/settings_store.h"
#include "platform/sqlite_library.h"
#include "store/pg_connection.h"
#include "store/store_push.h"
#include "store/store_query.h"
#include "store/store_schema.h"
#include "view/dated_export.h"
#include "view/plot/export_file.h"

namespace tilt::ctl {

namespace {

// --db URI (taken out of `args`), else the connection saved with --save, else nothing: libpq's
// PG* environment variables and ~/.pgpass.
struct Connection {
    std::string text;
    bool save = false;
    bool isSaved = false;  // the one in the settings: the server it leads to is noted there
};

Connection connectionOf(Context& ctx, QStringList& args) {
    Connection c;
    c.save = takeFlag(args, "--save");
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "--db") {
            c.text = optionValue(args, i, "--db URI").toStdString();
            args.remove(i - 1, 2);
            break;
        }
    }
    platform::QtSettingsStore settings;
    if (c.text.empty()) {
        c.text = settings.storeConnection();
    } else if (store::withoutPassword(c.text) != c.text) {
        ctx.err << "tiltctl store: the password in --db can be seen by other users of this "
                   "computer; keep it in ~/.pgpass instead.\n";
    }
    if (c.save) {
        platform::rememberStoreConnection(settings, store::withoutPassword(c.text));
    }
    c.isSaved = !c.text.empty() && store::withoutPassword(c.text) == settings.storeConnection();
    return c;
}

// Notes which server the saved connection leads to, for the Recordings window to show what
// waits for it.
void noteServer(const Connection& c, const store::PgConnection& connection) {
    if (c.isSaved) {
        platform::QtSettingsStore().saveStoreServer(connection.server());
    }
}

int storeFailed(Context& ctx, const std::exception& e) {
    ctx.err << "tiltctl store: " << e.what() << "\n";
    return kDeviceFailed;
}

int runInit(Context& ctx, const QStringList& arguments) {
    QStringList args = arguments;
    std::string role = "tilt_push";
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "--role") {
            role = optionValue(args, i, "--role NAME").toStdString();
            args.remove(i - 1, 2);
            break;
        }
    }
    const Connection c = connectionOf(ctx, args);
    expectArguments(args, 0, "--db URI [--role NAME]");
    try {
        store::PgConnection connection(c.text);
        noteServer(c, connection);
        const int found = store::initStore(connection);
        if (found == store::kStoreSchemaVersion) {
            ctx.out << "The team store at " << connection.server() << " is up to date (schema "
                    << "version " << found << ").\n";
        } else {
            ctx.out << (found == 0 ? "Created the team store" : "Brought the team store") << " at "
                    << connection.server() << (found == 0 ? "" : " up to date")
                    << " (schema version " << store::kStoreSchemaVersion << ").\n";
        }
        const store::PgResult where =
            connection.exec("SELECT current_database(), current_schema()");
        ctx.out << "\nA role that only pushes and queries needs these grants (run them as the "
                   "database's owner; CREATE ROLE "
                << role << " LOGIN first):\n";
        for (const std::string& grant :
             store::pushOnlyGrants(role, where.text(0, 0), where.text(0, 1))) {
            ctx.out << "  " << grant << "\n";
        }
    } catch (const store::StoreError& e) {
        return storeFailed(ctx, e);
    }
    return kDone;
}

int runPush(Context& ctx, const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = takeFlag(args, "--json");
    const Connection c = connectionOf(ctx, args);
    expectArguments(args, 0, "[--db URI] [--save] [--json]");
    platform::SqliteLibrary library(platform::SqliteLibrary::inDataRoot());
    InterruptStop interrupt;
    StatusLine line(ctx.err, ctx.errIsTerminal);
    store::PushResult result;
    try {
        store::PgConnection connection(c.text, {}, interrupt.token());
        noteServer(c, connection);
        result = store::pushLibrary(
            connection, library,
            [&](const store::PushProgress& p) {
                if (!p.file.empty()) {
                    line.show("Pushing " + std::to_string(p.done + 1) + " of " +
                              std::to_string(p.total) + ": " + p.file);
                }
            },
            interrupt.token());
        line.end();
    } catch (const store::StoreError& e) {
        line.end();
        return storeFailed(ctx, e);
    } catch (const LibraryError& e) {
        line.end();
        ctx.err << "tiltctl store: the recordings library could not be read: " << e.what() << "\n";
        return kDeviceFailed;
    }
    for (const std::string& why : result.unreadable) {
        ctx.err << why << "\n";
    }
    if (!result.libraryProblem.empty()) {
        ctx.err << result.libraryProblem << "\n";
    }
    const int code = interrupt.requested()       ? kInterrupted
                     : result.unreadable.empty() ? kDone
                                                 : kDeviceFailed;
    if (json) {
        QJsonArray unreadable;
        for (const std::string& why : result.unreadable) {
            unreadable.append(QString::fromStdString(why));
        }
        ctx.out << jsonLine({{"pushed", result.pushed},
                             {"samples", static_cast<double>(result.samples)},
                             {"alreadyThere", result.alreadyThere},
                             {"waiting", result.waiting},
                             {"unreadable", unreadable},
                             {"snapshots", result.snapshots},
                             {"events", result.events},
                             {"exitCode", code}});
    } else {
        ctx.out << store::pushSummary(result) << "\n";
    }
    return code;
}

int runQuery(Context& ctx, const QStringList& arguments) {
    QStringList args = arguments;
    const bool json = takeFlag(args, "--json");
    (void)takeFlag(args, "--csv");
    const Connection c = connectionOf(ctx, args);
    constexpr const char* kUsage =
        "[--db URI] --serial N --from T1 --to T2 [--json|--csv] [-o OUT]";
    std::optional<std::int64_t> serial;
    std::string from;
    std::string to;
    QString out;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == "--serial") {
            bool ok = false;
            serial = optionValue(args, i, kUsage).toLongLong(&ok);
            if (!ok || *serial < 0) {
                throw UsageError{"--serial wants a serial number"};
            }
        } else if (args[i] == "--from") {
            from = optionValue(args, i, kUsage).toStdString();
        } else if (args[i] == "--to") {
            to = optionValue(args, i, kUsage).toStdString();
        } else if (args[i] == "-o") {
            out = optionValue(args, i, kUsage);
        } else {
            throw UsageError{"unexpected '" + args[i].toStdString() + "'; expected " + kUsage};
        }
    }
    if (!serial || from.empty() || to.empty()) {
        throw UsageError{std::string("expected ") + kUsage};
    }
    for (const std::string* time : {&from, &to}) {
        if (!view::parseIsoTime(*time)) {
            throw UsageError{"'" + *time + "' is no time like 2026-11-02T08:30:00"};
        }
    }
    try {
        store::PgConnection connection(c.text);
        noteServer(c, connection);
        const view::plot::ExportSource fromStore = [&](view::ExportSink& sink) {
            return store::querySamples(connection, *serial, from, to, sink);
        };
        const auto format = json ? view::plot::ExportFormat::Json : view::plot::ExportFormat::Csv;
        if (out.isEmpty()) {
            (void)view::plot::writeExportToStream(fromStore, ctx.out, format);
        } else {
            const long rows = view::plot::writeExportToFile(fromStore, out, format, "\n");
            ctx.err << rows << (rows == 1 ? " row" : " rows") << " written to " << out.toStdString()
                    << "\n";
        }
    } catch (const store::StoreError& e) {
        return storeFailed(ctx, e);
    } catch (const Error& e) {
        return storeFailed(ctx, e);
    }
    return kDone;
}

}  // namespace

std::vector<Command> storeCommands() {
    const std::string connection =
        "--db URI is a libpq connection URI (postgresql://user@host:5432/database?sslmode=require) "
        "or key=value words; without it, the connection saved with --save, else the PG* "
        "environment variables. The password comes from ~/.pgpass or PGPASSWORD, never from the "
        "saved connection.";
    return {
        {{"store", "init"},
         "--db URI [--role NAME]",
         helpText({"Create the team store's schema in an empty PostgreSQL database, or bring an "
                   "older one up to date; a newer one is refused. Prints the GRANT statements "
                   "that let role NAME (default tilt_push) push and query without changing the "
                   "schema.",
                   connection}),
         runInit,
         {},
         false},
        {{"store", "push"},
         "[--db URI] [--save] [--json]",
         helpText({"Send every complete data file of the recordings library that the team store "
                   "does not hold yet, with its samples, each recording in one transaction, "
                   "then the configurations and events it lacks. Incomplete downloads wait. "
                   "Ctrl+C cancels the data file being sent; the next push sends it whole. "
                   "--save keeps the connection (without its password) for later pushes.",
                   connection,
                   "--json: {\"pushed\", \"samples\", \"alreadyThere\", \"waiting\", "
                   "\"unreadable\", \"snapshots\", \"events\", \"exitCode\"}."}),
         runPush,
         {},
         false},
        {{"store", "query"},
         "[--db URI] --serial N --from T1 --to T2 [--json|--csv] [-o OUT]",
         helpText({"The samples of logger N from T1 to T2 (ISO 8601 as the export prints them, "
                   "2026-11-02T08:30:00, both inclusive), across recordings, from the team "
                   "store: CSV with the export's columns (time,seconds,X,Y,button, the channels "
                   "present), or with --json one object a line; to OUT or standard output.",
                   connection}),
         runQuery,
         {},
         false},
    };
}

}  // namespace tilt::ctl
