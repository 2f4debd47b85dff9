#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tilt::common::ui {
struct AppContext;
}  // namespace tilt::common::ui

namespace tilt::store {
struct PushResult;
}  // namespace tilt::store

namespace tilt::library::ui {

class SerialJobs;

// What a push asks the user; Qt's input dialogs when not given. Nothing when the user cancelled.
struct TeamStoreQuestions {
    // The team store's connection (a postgresql:// URI or key=value words; empty: the PG*
    // environment variables and ~/.pgpass), offered `saved` to change.
    std::function<std::optional<std::string>(const std::string& saved)> connection;
    // The password the server `server` wants (it found none in ~/.pgpass or PGPASSWORD).
    std::function<std::optional<std::string>(const QString& server)> password;
};

// How a push stands, for the window to show: progress while it runs, then the outcome.
struct TeamStoreReports {
    std::function<void(const QString& progress)> progress;
    // The push ended (done, stopped or failed): the library has noted what the server holds.
    std::function<void(const QString& outcome)> ended;
};

// The Recordings window's push of this computer's recordings to the team store, off the
// window's thread. The connection comes from the settings, or is asked once and saved there
// without its password; a password the server wants and ~/.pgpass lacks is asked for each
// push and kept nowhere. A push can be stopped between data files: what was sent stays sent,
// whole.
class TeamStorePush final : public QObject {
  public:
    TeamStorePush(common::ui::AppContext& context, QWidget& window, TeamStoreQuestions questions,
                  TeamStoreReports reports);
    ~TeamStorePush() override;

    void push();
    // Lets the user change the saved connection; true when one was chosen.
    bool chooseConnection();
    void stop();
    [[nodiscard]] bool busy() const;
    // A connection is saved: the window shows what waits for it.
    [[nodiscard]] bool inUse() const;
    // The server the saved connection led to last, as it names itself.
    [[nodiscard]] std::optional<std::string> server() const;

  private:
    void start(const std::string& connection, const std::string& password);
    void ended(const store::PushResult& result, const std::string& server);
    void failed(const QString& why);

    common::ui::AppContext& context_;
    QWidget& window_;
    TeamStoreQuestions questions_;
    TeamStoreReports reports_;
    std::unique_ptr<SerialJobs> jobs_;  // last: its thread ends before the rest goes
};

}  // namespace tilt::library::ui
