#include "library/ui/team_store_push.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QLocale>
#include <QWidget>

#include "common/messages.h"
#include "common/recordings_library.h"
#include "common/ui/app_context.h"
#include "library/ui/serial_jobs.h"
#include "platform/settings_store.h"
#include "store/pg_connection.h"
#include "store/store_push.h"

namespace tilt::library::ui {

namespace {

constexpr const char* kStopped =
    "Push stopped: what was sent is whole in the store, the rest waits for the next push.";

std::optional<std::string> askConnection(QWidget* window, const std::string& saved) {
    bool ok = false;
    const QString text = QInputDialog::getText(
        window, QStringLiteral("Team Store"),
        QStringLiteral("The team store's PostgreSQL server, as a connection URI\n"
                       "(postgresql://user@host/database?sslmode=require) or key=value words.\n"
                       "Left empty, the PG* environment variables and ~/.pgpass say.\n"
                       "It is saved without its password."),
        QLineEdit::Normal, QString::fromStdString(saved), &ok);
    if (!ok) {
        return std::nullopt;
    }
    return text.trimmed().toStdString();
}

std::optional<std::string> askPassword(QWidget* window, const QString& server) {
    bool ok = false;
    const QString text = QInputDialog::getText(
        window, QStringLiteral("Team Store"),
        QStringLiteral("Password for the team store at %1\n(used for this push only, never saved; "
                       "~/.pgpass spares this question):")
            .arg(server),
        QLineEdit::Password, QString(), &ok);
    if (!ok) {
        return std::nullopt;
    }
    return text.toStdString();
}

}  // namespace

TeamStorePush::TeamStorePush(common::ui::AppContext& context, QWidget& window,
                             TeamStoreQuestions questions, TeamStoreReports reports)
    : context_(context),
      window_(window),
      questions_(std::move(questions)),
      reports_(std::move(reports)),
      jobs_(std::make_unique<SerialJobs>([this](const QString& why) { failed(why); })) {
    if (!questions_.connection) {
        questions_.connection = [this](const std::string& saved) {
            return askConnection(&window_, saved);
        };
    }
    if (!questions_.password) {
        questions_.password = [this](const QString& server) {
            return askPassword(&window_, server);
        };
    }
}

TeamStorePush::~TeamStorePush() = default;

bool TeamStorePush::busy() const {
    return jobs_->busy();
}

bool TeamStorePush::inUse() const {
    return !context_.settings.storeConnection().empty();
}

std::optional<std::string> TeamStorePush::server() const {
    std::string name = context_.settings.storeServer();
    return name.empty() ? std::nullopt : std::optional(std::move(name));
}

void TeamStorePush::stop() {
    if (jobs_->stop() > 0) {  // stopped before it began
        reports_.ended(QStringLiteral("Push stopped: nothing was sent."));
    }
}

bool TeamStorePush::chooseConnection() {
    const auto chosen = questions_.connection(context_.settings.storeConnection());
    if (!chosen) {
        return false;
    }
    platform::rememberStoreConnection(context_.settings, store::withoutPassword(*chosen));
    return true;
}

void TeamStorePush::push() {
    if (busy()) {
        return;
    }
    std::string connection = context_.settings.storeConnection();
    if (connection.empty()) {
        const auto chosen = questions_.connection({});
        if (!chosen) {
            return;
        }
        // A password typed into it serves this push; the settings keep the rest.
        connection = *chosen;
        platform::rememberStoreConnection(context_.settings, store::withoutPassword(connection));
    }
    start(connection, {});
}

void TeamStorePush::start(const std::string& connection, const std::string& password) {
    reports_.progress(QStringLiteral("Connecting to the team store…"));
    jobs_->post([this, connection, password](std::stop_token stop) -> SerialJobs::Then {
        try {
            store::PgConnection server(connection, password, stop);
            const auto progress = [this](const store::PushProgress& p) {
                if (p.file.empty()) {
                    return;
                }
                QMetaObject::invokeMethod(
                    this,
                    [this, text = QStringLiteral("Pushing data file %1 of %2: %3")
                                      .arg(p.done + 1)
                                      .arg(p.total)
                                      .arg(QString::fromStdString(p.file))] {
                        reports_.progress(text);
                    },
                    Qt::QueuedConnection);
            };
            const store::PushResult result =
                store::pushLibrary(server, context_.library, progress, stop);
            return [this, result, connection, name = server.server()] {
                if (store::withoutPassword(connection) == context_.settings.storeConnection()) {
                    context_.settings.saveStoreServer(name);
                }
                ended(result, name);
            };
        } catch (const store::PasswordNeeded& needed) {
            if (!password.empty()) {
                throw;
            }
            return [this, connection, server = needed.server()] {
                const auto typed = questions_.password(QString::fromStdString(server));
                if (typed) {
                    start(connection, *typed);
                } else {
                    reports_.ended(QStringLiteral("Push cancelled: nothing was sent."));
                }
            };
        } catch (const store::StoreError&) {
            if (!stop.stop_requested()) {
                throw;
            }
            // Given up or cancelled on the way: whatever was being sent is not in the store.
            return [this] { reports_.ended(QString::fromLatin1(kStopped)); };
        } catch (const LibraryError& e) {
            throw LibraryError(std::string("The recordings library could not be read: ") +
                               e.what());
        }
    });
}

void TeamStorePush::ended(const store::PushResult& result, const std::string& server) {
    // Short enough for the status bar beside the store's standing, which names the server and
    // counts what waits; any message below has it all.
    QString outcome =
        QStringLiteral("Pushed %1 (%2 samples)")
            .arg(result.pushed == 1 ? QStringLiteral("1 data file")
                                    : QStringLiteral("%1 data files").arg(result.pushed))
            .arg(QLocale().toString(static_cast<qlonglong>(result.samples)));
    if (result.alreadyThere > 0) {
        outcome += QStringLiteral(", %1 already there").arg(result.alreadyThere);
    }
    if (result.snapshots + result.events > 0) {
        outcome += QStringLiteral(", %1 configurations and %2 events")
                       .arg(result.snapshots)
                       .arg(result.events);
    }
    outcome += QLatin1Char('.');
    if (result.stopped) {
        outcome = QString::fromLatin1(kStopped) + QLatin1Char(' ') + outcome;
    }
    reports_.ended(outcome);
    std::string problems;
    for (const std::string& why : result.unreadable) {
        problems += why + "\n";
    }
    if (!result.libraryProblem.empty()) {
        problems += result.libraryProblem + "\n";
    }
    if (!problems.empty()) {
        context_.messages.show("Team store at " + server + ": " + store::pushSummary(result) +
                               "\n\n" + problems);
    }
}

void TeamStorePush::failed(const QString& why) {
    reports_.ended(QStringLiteral("Push failed: nothing was half sent."));
    context_.messages.show(why.toStdString());
}

}  // namespace tilt::library::ui
